#pragma once
// The data source loaded in-process and called at DS_Entry directly, as a
// hostile or careless program would call it, with the test module as its
// scanner module: for the fuzz targets and the hostile-program tests.
//
// One world per process (the source is one library with one state): a
// Windows directory with the source manager, a current directory with
// dorsa.ini, the source and the test module. Every call is checked to
// answer a TWRC code; every handle the source hands out is freed, so that
// a count of live blocks proves the source itself keeps none.

#include <dlfcn.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/memory/global_memory.h"
#include "platform/twain/scanner_module.h"
#include "platform/twain/source_manager.h"
#include "platform/twain/twain_types.h"
#include "source/tests/test_module.h"

namespace attack {

namespace fs = std::filesystem;

[[noreturn]] inline void fault(const char* what, unsigned a = 0, unsigned b = 0, unsigned c = 0)
{
    std::fprintf(stderr, "source under attack: %s (%#x %#x %#x)\n", what, a, b, c);
    std::abort();
}

// The program that opens the source; another Id is another program.
inline constexpr TW_UINT32 kProgramId = 7;
inline constexpr TW_UINT32 kAssignedSourceId = 3;

// A small picture keeps every transfer cheap.
inline constexpr int kPictureWidth = 24;
inline constexpr int kPictureHeight = 6;

class SourceUnderAttack {
public:
    // buildDirectory holds lib/ with the source, the manager and TestModule.dll.
    explicit SourceUnderAttack(const fs::path& buildDirectory)
    {
        std::error_code ec;
        const fs::path base = fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
        std::string tmpl = (base / "source_attack.XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr)
            fault("no temporary folder");
        root_ = tmpl;
        const fs::path windows = root_ / "windows", work = root_ / "work";
        fs::create_directories(windows);
        fs::create_directories(work);
        const fs::path lib = buildDirectory / "lib";
        fs::create_symlink(lib / twain::kManagerFileName, windows / twain::kManagerFileName);
        fs::create_symlink(lib / scanner_module::kDataSourceFileName, work / scanner_module::kDataSourceFileName);
        fs::create_symlink(lib / kTestModuleFileName, work / kTestModuleFileName);
        std::ofstream(work / "dorsa.ini") << "[Device]\nScanner=" << kTestModuleFileName << "\n";
        ::setenv("WINDIR", windows.c_str(), 1);
        // The source names its transfer files in the temporary folder: they
        // go with the world.
        fs::create_directories(root_ / "tmp");
        ::setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
        oldDirectory_ = fs::current_path();
        fs::current_path(work);

        // The module first, held for the process's lifetime, so that its
        // control block outlives the source loading and unloading it.
        module_ = ::dlopen((work / kTestModuleFileName).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        // The source loads the manager for each message to the program and
        // unloads it again; held here, it stays mapped (coverage counters
        // of an unmapped library would dangle under libFuzzer).
        if (!::dlopen((windows / twain::kManagerFileName).c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE))
            fault(::dlerror());
        source_ = ::dlopen((work / scanner_module::kDataSourceFileName).c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module_ || !source_)
            fault(::dlerror());
        control_ = reinterpret_cast<TestModuleControlProc>(::dlsym(module_, kTestModuleControl))();
        ready_ = reinterpret_cast<TestModuleSignalProc>(::dlsym(module_, kTestModuleSignalReady));
        close_ = reinterpret_cast<TestModuleSignalProc>(::dlsym(module_, kTestModuleSignalClose));
        entry_ = reinterpret_cast<DSENTRYPROC>(::dlsym(source_, "DS_Entry"));
        if (!control_ || !ready_ || !close_ || !entry_)
            fault("the source or the test module lacks an entry point");
        program_.Id = kProgramId;
        std::strcpy(program_.ProductName, "hostile program");
        stranger_.Id = kProgramId + 1;
    }

    ~SourceUnderAttack()
    {
        reset();
        ::dlclose(source_);
        std::error_code ec;
        fs::current_path(oldDirectory_, ec);
        fs::remove_all(root_, ec);
    }

    SourceUnderAttack(const SourceUnderAttack&) = delete;
    SourceUnderAttack& operator=(const SourceUnderAttack&) = delete;

    // Back to state 3 with the module's answers as they were at load.
    void reset()
    {
        entry_(&program_, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr);
        *control_ = TestModuleControl{};
        control_->width = kPictureWidth;
        control_->height = kPictureHeight;
    }

    // One call; a TWRC code is the only acceptable answer.
    TW_UINT16 call(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data, pTW_IDENTITY origin = nullptr)
    {
        const TW_UINT16 rc = entry_(origin ? origin : &program_, dg, dat, msg, data);
        if (rc > TWRC_ENDOFLIST)
            fault("an answer that is no TWRC code", dg, dat, msg);
        if (trace_)
            std::fprintf(stderr, "DS_Entry(%#x, %#x, %#x, %s) = %u\n", dg, dat, msg, data ? "pData" : "null", rc);
        return rc;
    }

    // The condition code, when the source is open (states 4 to 7).
    bool conditionCode(TW_UINT16& code)
    {
        TW_STATUS status{};
        if (entry_(&program_, DG_CONTROL, DAT_STATUS, MSG_GET, &status) != TWRC_SUCCESS)
            return false;
        code = status.ConditionCode;
        return true;
    }

    // A failure must say why: after TWRC_FAILURE of an open source the
    // condition code is not TWCC_SUCCESS.
    TW_UINT16 checkedCall(TW_UINT32 dg, TW_UINT16 dat, TW_UINT16 msg, void* data, pTW_IDENTITY origin = nullptr)
    {
        const TW_UINT16 rc = call(dg, dat, msg, data, origin);
        TW_UINT16 code = TWCC_SUCCESS;
        if (rc == TWRC_FAILURE && conditionCode(code) && code == TWCC_SUCCESS)
            fault("a failure without a condition code", dg, dat, msg);
        return rc;
    }

    TW_UINT16 open()
    {
        TW_IDENTITY identity{};
        identity.Id = kAssignedSourceId;
        std::strcpy(identity.ProductName, "Test Camera");
        return call(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &identity);
    }
    TW_UINT16 enable()
    {
        TW_USERINTERFACE ui{0, 0, nullptr};
        return call(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
    }
    // The module has a picture and tells the source (state 5 to 6).
    void signalReady() { ready_(); }
    void signalClose() { close_(); }

    TestModuleControl& control() { return *control_; }
    TW_IDENTITY& program() { return program_; }
    TW_IDENTITY& stranger() { return stranger_; }

private:
    fs::path root_, oldDirectory_;
    void* module_ = nullptr;
    void* source_ = nullptr;
    TestModuleControl* control_ = nullptr;
    TestModuleSignalProc ready_ = nullptr;
    TestModuleSignalProc close_ = nullptr;
    DSENTRYPROC entry_ = nullptr;
    TW_IDENTITY program_{};
    TW_IDENTITY stranger_{};
    // SOURCE_ATTACK_TRACE=1 lists every call and its answer: to see what a
    // seed or a finding does.
    const bool trace_ = std::getenv("SOURCE_ATTACK_TRACE") != nullptr;
};

// The source finds its module and dorsa.ini in the current folder, so the
// world changes the current folder. Under libFuzzer the folders named on
// the command line (corpus, seeds, where findings go) are made absolute
// first, from LLVMFuzzerInitialize, before libFuzzer reads them.
inline void absoluteFuzzerPaths(int* argc, char*** argv)
{
    static std::vector<std::string> texts;
    static std::vector<char*> pointers;
    const fs::path here = fs::current_path();
    bool haveArtifactPrefix = false;
    texts.reserve(static_cast<std::size_t>(*argc) + 1);
    for (int i = 0; i < *argc; ++i) {
        std::string arg = (*argv)[i];
        if (arg.rfind("-artifact_prefix=", 0) == 0) {
            haveArtifactPrefix = true;
            const std::string value = arg.substr(std::strlen("-artifact_prefix="));
            if (!value.empty() && value[0] != '/')
                arg = "-artifact_prefix=" + (here / value).string();
        } else if (i > 0 && !arg.empty() && arg[0] != '-' && arg[0] != '/') {
            arg = (here / arg).string();
        }
        texts.push_back(arg);
    }
    if (!haveArtifactPrefix)
        texts.push_back("-artifact_prefix=" + here.string() + "/");
    for (std::string& t : texts)
        pointers.push_back(t.data());
    pointers.push_back(nullptr);
    *argc = static_cast<int>(texts.size());
    *argv = pointers.data();
}

}  // namespace attack
