// A stand-in data source for the module's test host: it counts the module's
// two callbacks, which the host reads back through FakeDataSourceCalls.
#include <cstdint>

#define FAKE_DS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {
int gScans = 0;
int gCloses = 0;
} // namespace

FAKE_DS_EXPORT void ReadytoScan(void)
{
    ++gScans;
}

FAKE_DS_EXPORT void ReadytoCloseSM(void)
{
    ++gCloses;
}

FAKE_DS_EXPORT void FakeDataSourceCalls(int* scans, int* closes)
{
    *scans = gScans;
    *closes = gCloses;
}
