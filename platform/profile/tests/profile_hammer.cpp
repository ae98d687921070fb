// Writes keys 0..count-1 of one section, one write per key, as fast as it
// can: the other side of the concurrent-writer tests.
// usage: profile_hammer <file> <section> <count>
#include "platform/profile/profile.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 4)
        return 2;
    const int count = std::atoi(argv[3]);
    for (int i = 0; i < count; ++i) {
        if (!platform::profile::writePrivateProfileString(argv[2], "Key" + std::to_string(i),
                                                          std::to_string(i * 7), argv[1])) {
            std::fprintf(stderr, "write %d failed\n", i);
            return 1;
        }
    }
    return 0;
}
