#pragma once
// The test scanner module's control block: what the module answers and
// what it was asked, for tests that load it in their own process. The
// module reads a few settings from the environment at load as well
// (TEST_MODULE_WIDTH, _HEIGHT, _BITS, _STRIPS, _READY_WITHOUT_UI), so
// programs started by tests can be steered too.

#include <cstdint>

#include "platform/twain/scanner_module.h"

struct TestModuleControl {
    // Answers.
    int width = 640;
    int height = 480;
    int bitsPerPixel = 24;             // 1, 8 or 24
    int32_t connectResult = 1;
    int32_t canTransferStrips = 1;
    int32_t noUiResult = 1;
    bool readyWithoutUi = false;       // NoUItoXferImage signals a picture at once
    bool openUiFails = false;
    int dibResult = -1;                // -1: the normal result
    int fileResult = -1;
    SM_TRANSFER_DEFAULTS defaults = {{1, 0, 0, 1, 0, 0, 2, 0, 0, 2, 1}};
    // What happened.
    int connectCalls = 0;
    int setDefValueCalls = 0;
    int openUiCalls = 0;
    int closeUiCalls = 0;
    bool windowVisible = false;
    SM_TRANSFER_DEFAULTS lastSettings{};
};

extern "C" {
// The module's control block.
typedef TestModuleControl* (*TestModuleControlProc)(void);
// Makes a picture and calls the data source's ReadytoScan (the window's
// transfer step); ReadytoCloseSM as the window's Close.
typedef void (*TestModuleSignalProc)(void);
}

inline constexpr const char* kTestModuleControl = "TestModuleControlBlock";
inline constexpr const char* kTestModuleSignalReady = "TestModuleSignalReady";
inline constexpr const char* kTestModuleSignalClose = "TestModuleSignalClose";
inline constexpr const char* kTestModuleFileName = "TestModule.dll";
