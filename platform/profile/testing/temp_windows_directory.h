#pragma once
// Test support: a temporary Windows directory for one test: $WINDIR points at it while
// the fixture lives.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

class TempWindowsDirectory : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string tmpl = (std::filesystem::temp_directory_path() / "windir.XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        dir = tmpl;
        const char* old = std::getenv("WINDIR");
        hadOld = old != nullptr;
        if (hadOld)
            oldValue = old;
        ::setenv("WINDIR", dir.c_str(), 1);
    }
    void TearDown() override
    {
        if (hadOld)
            ::setenv("WINDIR", oldValue.c_str(), 1);
        else
            ::unsetenv("WINDIR");
        std::filesystem::remove_all(dir);
    }
    void writeFile(const std::string& name, const std::string& text) const
    {
        std::ofstream(dir / name, std::ios::binary) << text;
    }
    std::string readFile(const std::string& name) const
    {
        std::ifstream in(dir / name, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::filesystem::path dir;

private:
    bool hadOld = false;
    std::string oldValue;
};
