#pragma once
// A TWAIN program's world for the tests: a Windows directory holding the
// source manager and this data source, a current directory holding
// dorsa.ini and the test module, and a program that talks to the source
// only through DSM_Entry.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/memory/global_memory.h"
#include "platform/twain/source_manager.h"
#include "platform/twain/twain_types.h"
#include "source/tests/test_module.h"

namespace fs = std::filesystem;

inline fs::path buildDir()
{
    const char* dir = std::getenv("LUMO_BUILD_DIR");
    return dir ? fs::path(dir) : fs::current_path();
}

class TwainWorld : public ::testing::Test {
protected:
    // `moduleName` empty: no dorsa.ini; the module is then linked as trellm.dll.
    void makeWorld(bool withIni = true)
    {
        std::string tmpl = (fs::temp_directory_path() / "twainworld.XXXXXX").string();
        ASSERT_NE(::mkdtemp(tmpl.data()), nullptr);
        root = tmpl;
        windows = root / "windows";
        work = root / "work";
        fs::create_directories(windows / "twain_32" / "camera");
        fs::create_directories(work);
        const fs::path lib = buildDir() / "lib";
        fs::create_symlink(lib / "twain_32.dll", windows / "twain_32.dll");
        fs::create_symlink(lib / "Dorsa32.ds", windows / "twain_32" / "camera" / "Dorsa32.ds");
        fs::create_symlink(lib / "Dorsa32.ds", work / "Dorsa32.ds");
        if (withIni) {
            fs::create_symlink(lib / kTestModuleFileName, work / kTestModuleFileName);
            std::ofstream(work / "dorsa.ini") << "[Device]\nScanner=" << kTestModuleFileName << "\n";
        } else {
            fs::create_symlink(lib / kTestModuleFileName, work / "trellm.dll");
        }
        ::setenv("WINDIR", windows.c_str(), 1);
        oldCwd = fs::current_path();
        fs::current_path(work);
    }

    void SetUp() override { makeWorld(); }

    void TearDown() override
    {
        if (dsm && managerOpen) {
            if (sourceOpen)
                dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source);
            dsm(&program, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, nullptr);
        }
        if (managerLib)
            ::dlclose(managerLib);
        if (moduleLib)
            ::dlclose(moduleLib);
        fs::current_path(oldCwd);
        std::error_code ec;
        fs::remove_all(root, ec);
    }

    // Holds the module open for the test's lifetime so its control block
    // survives the source loading and unloading it. It is never unloaded:
    // the window system it starts keeps state of its own.
    TestModuleControl& module(const std::string& name = kTestModuleFileName)
    {
        if (!moduleLib)
            moduleLib = ::dlopen((work / name).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        EXPECT_NE(moduleLib, nullptr) << ::dlerror();
        auto control = reinterpret_cast<TestModuleControlProc>(::dlsym(moduleLib, kTestModuleControl));
        return *control();
    }
    void signal(const char* which)
    {
        module();
        reinterpret_cast<TestModuleSignalProc>(::dlsym(moduleLib, which))();
    }

    void openManager()
    {
        managerLib = ::dlopen((windows / "twain_32.dll").c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(managerLib, nullptr) << ::dlerror();
        dsm = reinterpret_cast<DSMENTRYPROC>(::dlsym(managerLib, "DSM_Entry"));
        ASSERT_NE(dsm, nullptr);
        std::strcpy(program.ProductName, "test program");
        ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, nullptr), TWRC_SUCCESS);
        managerOpen = true;
    }

    // Opens the source by name through the manager.
    void openSource()
    {
        module();
        openManager();
        std::strcpy(source.ProductName, "Test Camera");
        ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
        sourceOpen = true;
    }

    TW_UINT16 call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data)
    {
        return dsm(&program, &source, dg, dat, msg, data);
    }
    TW_UINT16 conditionCode()
    {
        TW_STATUS status{};
        EXPECT_EQ(call(DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_SUCCESS);
        return status.ConditionCode;
    }
    TW_UINT16 managerConditionCode()
    {
        TW_STATUS status{};
        dsm(&program, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
        return status.ConditionCode;
    }
    TW_UINT16 enable(bool showUi)
    {
        TW_USERINTERFACE ui{static_cast<TW_BOOL>(showUi), 0, nullptr};
        return call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }

    // One value in a container of the program's own.
    TW_UINT16 setOne(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 item)
    {
        TW_CAPABILITY c{cap, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
        auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(c.hContainer));
        one->ItemType = itemType;
        one->Item = item;
        GlobalUnlock(c.hContainer);
        const TW_UINT16 rc = call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c);
        GlobalFree(c.hContainer);
        return rc;
    }
    // The container the source answers with, copied out and freed.
    struct Answer {
        TW_UINT16 rc = TWRC_FAILURE;
        TW_UINT16 conType = 0;
        std::vector<std::uint8_t> bytes;
        template <typename T> T as(std::size_t offset = 0) const
        {
            T v{};
            if (offset + sizeof v <= bytes.size())
                std::memcpy(&v, bytes.data() + offset, sizeof v);
            return v;
        }
    };
    Answer get(TW_UINT16 cap, TW_UINT16 msg)
    {
        TW_CAPABILITY c{cap, 0, nullptr};
        Answer a;
        a.rc = call(DG_CONTROL, DAT_CAPABILITY, msg, &c);
        a.conType = c.ConType;
        if (c.hContainer) {
            auto* p = static_cast<std::uint8_t*>(GlobalLock(c.hContainer));
            a.bytes.assign(p, p + GlobalSize(c.hContainer));
            GlobalUnlock(c.hContainer);
            GlobalFree(c.hContainer);
        }
        return a;
    }

    fs::path root, windows, work, oldCwd;
    void* managerLib = nullptr;
    void* moduleLib = nullptr;
    DSMENTRYPROC dsm = nullptr;
    TW_IDENTITY program{};
    TW_IDENTITY source{};
    bool managerOpen = false;
    bool sourceOpen = false;
};
