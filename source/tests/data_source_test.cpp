// The data source and the source manager together, driven through
// DSM_Entry as a program drives them, against the test module.

#include <gtest/gtest.h>

#include "source/tests/twain_harness.h"

namespace {

std::vector<TW_UINT16> callbackMessages;
TW_UINT16 recordMessage(pTW_IDENTITY, pTW_IDENTITY, TW_UINT32, TW_UINT16, TW_UINT16 msg, TW_MEMREF)
{
    callbackMessages.push_back(msg);
    return TWRC_SUCCESS;
}

class DataSourceTest : public TwainWorld {
protected:
    void registerCallback()
    {
        callbackMessages.clear();
        TW_CALLBACK cb{reinterpret_cast<TW_MEMREF>(&recordMessage), 0, 0};
        ASSERT_EQ(call(DG_CONTROL, DAT_CALLBACK, MSG_REGISTER_CALLBACK, &cb), TWRC_SUCCESS);
    }
    // Enabled, with a picture signalled: state 6.
    void pictureReady()
    {
        ASSERT_EQ(enable(false), TWRC_SUCCESS);
        signal(kTestModuleSignalReady);
    }
    bool inState6()
    {
        TW_IMAGEINFO info{};
        return call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) == TWRC_SUCCESS;
    }
};

TEST_F(DataSourceTest, ManagerListsTheSourceByTheModulesNameAndOpensIt)
{
    openManager();
    TW_IDENTITY listed{};
    ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &listed), TWRC_SUCCESS);
    EXPECT_STREQ(listed.ProductName, "Test Camera");
    EXPECT_EQ(listed.ProtocolMajor, 1);
    EXPECT_EQ(listed.ProtocolMinor, 5);
    EXPECT_EQ(listed.Version.Country, TWCY_TAIWAN);
    EXPECT_EQ(TW_UINT32(listed.SupportedGroups), DG_CONTROL | DG_IMAGE);
    EXPECT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETNEXT, &listed), TWRC_ENDOFLIST);

    source = TW_IDENTITY{};
    std::strcpy(source.ProductName, "Test Camera");
    ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    sourceOpen = true;
    EXPECT_NE(TW_UINT32(source.Id), 0u);
    TW_IDENTITY own{};
    ASSERT_EQ(call(DG_CONTROL, DAT_IDENTITY, MSG_GET, &own), TWRC_SUCCESS);
    EXPECT_EQ(TW_UINT32(own.Id), TW_UINT32(source.Id));
}

class DataSourceWithoutIni : public TwainWorld {
protected:
    void SetUp() override { makeWorld(false); }
};

TEST_F(DataSourceWithoutIni, LoadsTrellmFromTheCurrentDirectory)
{
    openManager();
    TW_IDENTITY listed{};
    EXPECT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &listed), TWRC_SUCCESS);
    EXPECT_STREQ(listed.ProductName, "Test Camera");
    // Without the module the source never reaches state 3: nothing is listed.
    fs::remove(work / "trellm.dll");
    EXPECT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &listed), TWRC_ENDOFLIST);
}

TEST_F(DataSourceTest, AModuleLackingAnExportIsRefused)
{
    fs::create_symlink(buildDir() / "lib" / "IncompleteModule.dll", work / "IncompleteModule.dll");
    std::ofstream(work / "dorsa.ini") << "[Device]\nScanner=IncompleteModule.dll\n";
    openManager();
    TW_IDENTITY listed{};
    EXPECT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_GETFIRST, &listed), TWRC_ENDOFLIST);
    std::strcpy(source.ProductName, "Test Camera");
    EXPECT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_FAILURE);
    EXPECT_EQ(managerConditionCode(), TWCC_NODS);
}

TEST_F(DataSourceTest, StatusSequenceAndProtocolErrors)
{
    openSource();
    // A failing call's condition code is reported once.
    EXPECT_EQ(call(DG_IMAGE, 0x1ff, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADPROTOCOL);
    EXPECT_EQ(conditionCode(), TWCC_SUCCESS);

    TW_WINDOWEVENT windowEvent{};
    TW_EVENT event{&windowEvent, MSG_NULL};
    EXPECT_EQ(call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);

    // A second open while connected.
    TW_IDENTITY again{};
    std::strcpy(again.ProductName, "Test Camera");
    EXPECT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &again), TWRC_FAILURE);
    EXPECT_EQ(managerConditionCode(), TWCC_MAXCONNECTIONS);

    EXPECT_EQ(enable(false), TWRC_SUCCESS);
    EXPECT_EQ(enable(false), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_SEQERROR);
    // Bad pointers and groups fail without harm.
    EXPECT_EQ(call(DG_CONTROL, DAT_CAPABILITY, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADVALUE);
    EXPECT_EQ(call(0x4, DAT_CAPABILITY, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADPROTOCOL);
    EXPECT_EQ(call(DG_CONTROL, DAT_PENDINGXFERS, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, nullptr), TWRC_SUCCESS);
}

TEST_F(DataSourceTest, WindowStaysUpOnDisableWithShowUiAndClosesWithTheSource)
{
    TestModuleControl& control = module();
    openSource();
    ASSERT_EQ(enable(true), TWRC_SUCCESS);
    EXPECT_EQ(control.openUiCalls, 1);
    EXPECT_EQ(control.setDefValueCalls, 1);
    TW_USERINTERFACE ui{1, 0, nullptr};
    ASSERT_EQ(call(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui), TWRC_SUCCESS);
    EXPECT_TRUE(control.windowVisible);
    ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
    EXPECT_EQ(control.closeUiCalls, 1);
    EXPECT_FALSE(control.windowVisible);

    // The module is bound again for a second open.
    std::strcpy(source.ProductName, "Test Camera");
    ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    EXPECT_EQ(control.connectCalls, 2);
    control.openUiFails = true;
    EXPECT_EQ(enable(true), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_LOWMEMORY);
}

TEST_F(DataSourceTest, CapabilityNegotiation)
{
    openSource();
    auto currentWhole = [&](TW_UINT16 cap) {
        Answer a = get(cap, MSG_GETCURRENT);
        EXPECT_EQ(a.rc, TWRC_SUCCESS);
        return a.as<TW_INT16>(offsetof(TW_ONEVALUE, Item));
    };
    EXPECT_EQ(setOne(ICAP_XRESOLUTION, TWTY_FIX32, 300), TWRC_SUCCESS);
    EXPECT_EQ(currentWhole(ICAP_YRESOLUTION), 300);
    EXPECT_EQ(setOne(ICAP_XRESOLUTION, TWTY_FIX32, 0), TWRC_SUCCESS);
    EXPECT_EQ(setOne(ICAP_XRESOLUTION, TWTY_FIX32, 2), TWRC_SUCCESS);
    EXPECT_EQ(currentWhole(ICAP_XRESOLUTION), 300);
    EXPECT_EQ(setOne(ICAP_XRESOLUTION, TWTY_FIX32, 250), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADVALUE);
    EXPECT_EQ(currentWhole(ICAP_XRESOLUTION), 300);

    EXPECT_EQ(setOne(ICAP_PIXELTYPE, TWTY_UINT16, 9), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADVALUE);
    EXPECT_EQ(setOne(ICAP_IMAGEFILEFORMAT, TWTY_UINT16, TWFF_BMP), TWRC_SUCCESS);
    EXPECT_EQ(currentWhole(ICAP_IMAGEFILEFORMAT), TWFF_BMP);
    EXPECT_EQ(setOne(ICAP_IMAGEFILEFORMAT, TWTY_UINT16, 7), TWRC_FAILURE);
    EXPECT_EQ(setOne(ICAP_SUPPORTEDSIZES, TWTY_UINT16, 3), TWRC_SUCCESS);
    EXPECT_EQ(currentWhole(ICAP_SUPPORTEDSIZES), 3);

    Answer units = get(ICAP_UNITS, MSG_GET);
    ASSERT_EQ(units.rc, TWRC_SUCCESS);
    EXPECT_EQ(units.conType, TWON_ENUMERATION);
    EXPECT_EQ(units.as<TW_UINT32>(offsetof(TW_ENUMERATION, NumItems)), 6u);
    EXPECT_EQ(units.as<TW_UINT32>(offsetof(TW_ENUMERATION, DefaultIndex)), 5u);
    EXPECT_EQ(units.as<TW_UINT16>(offsetof(TW_ENUMERATION, ItemList) + 2 * 5), TWUN_PIXELS);

    EXPECT_EQ(get(CAP_SUPPORTEDCAPS, MSG_GET).rc, TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADCAP);
    EXPECT_EQ(setOne(CAP_SUPPORTEDCAPS, TWTY_UINT16, 1), TWRC_SUCCESS);
    EXPECT_EQ(get(0x1102, MSG_GET).rc, TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADPROTOCOL);
    EXPECT_EQ(get(ICAP_HALFTONES, MSG_GET).rc, TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADPROTOCOL);
    EXPECT_EQ(get(ICAP_UNITS, MSG_QUERYSUPPORT).rc, TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADPROTOCOL);

    Answer author = get(CAP_AUTHOR, MSG_GET);
    ASSERT_EQ(author.rc, TWRC_SUCCESS);
    EXPECT_EQ(author.as<TW_UINT16>(), TWTY_STR128);
    EXPECT_GT(std::strlen(reinterpret_cast<const char*>(author.bytes.data() + 2)), 0u);

    // A range sets its current value.
    TW_CAPABILITY range{ICAP_PIXELTYPE, TWON_RANGE, GlobalAlloc(GHND, sizeof(TW_RANGE))};
    auto* r = static_cast<TW_RANGE*>(GlobalLock(range.hContainer));
    *r = TW_RANGE{TWTY_UINT16, 0, 8, 1, 2, TWPT_GRAY};
    GlobalUnlock(range.hContainer);
    EXPECT_EQ(call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &range), TWRC_SUCCESS);
    GlobalFree(range.hContainer);
    EXPECT_EQ(currentWhole(ICAP_PIXELTYPE), TWPT_GRAY);

    // The current values reach the module when the source is enabled.
    ASSERT_EQ(enable(false), TWRC_SUCCESS);
    EXPECT_EQ(module().lastSettings.word[6], TWPT_GRAY);
    EXPECT_EQ(module().lastSettings.word[10], 2);
}

TEST_F(DataSourceTest, MalformedContainersAreRefused)
{
    openSource();
    auto setWith = [&](TW_UINT16 conType, std::size_t bytes, auto fill) {
        TW_CAPABILITY c{ICAP_PIXELTYPE, conType, GlobalAlloc(GHND, bytes)};
        if (void* p = GlobalLock(c.hContainer)) {
            fill(static_cast<std::uint8_t*>(p));
            GlobalUnlock(c.hContainer);
        }
        const TW_UINT16 rc = call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &c);
        GlobalFree(c.hContainer);
        return rc;
    };
    const auto itemType = [](TW_UINT16 t) { return [t](std::uint8_t* p) { std::memcpy(p, &t, 2); }; };
    EXPECT_EQ(setWith(99, 16, itemType(TWTY_UINT16)), TWRC_FAILURE);               // unknown container
    EXPECT_EQ(setWith(TWON_ENUMERATION, 16, itemType(TWTY_UINT16)), TWRC_FAILURE);  // no items
    EXPECT_EQ(setWith(TWON_ONEVALUE, 6, itemType(TWTY_STR255)), TWRC_FAILURE);     // wrong type, short
    EXPECT_EQ(setWith(TWON_ONEVALUE, 3, itemType(TWTY_UINT16)), TWRC_FAILURE);     // block too short
    EXPECT_EQ(setWith(TWON_ARRAY, 6, [](std::uint8_t* p) {                          // items past the end
        const TW_UINT16 t = TWTY_UINT16;
        const TW_UINT32 n = 1000;
        std::memcpy(p, &t, 2);
        std::memcpy(p + 2, &n, 4);
    }), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADVALUE);
    TW_CAPABILITY none{ICAP_PIXELTYPE, TWON_ONEVALUE, nullptr};
    EXPECT_EQ(call(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &none), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADVALUE);
    EXPECT_EQ(LumoGlobalLiveCount(), 0u);
}

TEST_F(DataSourceTest, MemoryTransferThroughTheModuleInStripsTopRowFirstInRgb)
{
    openSource();
    ASSERT_EQ(setOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
    pictureReady();
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_EQ(setup.MinBufSize, 32768u);
    EXPECT_EQ(setup.MaxBufSize, 32768u);
    EXPECT_EQ(setup.Preferred, 32768u);

    for (bool handles : {false, true}) {
        SCOPED_TRACE(handles ? "handle buffers" : "pointer buffers");
        if (handles) {
            TW_PENDINGXFERS pending{};
            ASSERT_EQ(call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
            signal(kTestModuleSignalReady);
        }
        std::vector<std::uint8_t> buffer(setup.Preferred);
        HGLOBAL handle = GlobalAlloc(GHND, setup.Preferred);
        TW_IMAGEMEMXFER strip{};
        strip.Memory = handles ? TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, setup.Preferred, handle}
                               : TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, setup.Preferred, buffer.data()};
        std::vector<TW_UINT32> rows;
        TW_UINT16 rc;
        do {
            rc = call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
            ASSERT_TRUE(rc == TWRC_SUCCESS || rc == TWRC_XFERDONE) << rc;
            EXPECT_EQ(TW_UINT32(strip.BytesPerRow), 1920u);
            EXPECT_EQ(TW_UINT32(strip.YOffset), 17u * rows.size());
            const std::uint8_t* data = handles ? static_cast<std::uint8_t*>(GlobalLock(handle)) : buffer.data();
            if (rows.empty()) {  // the top row: red 0 -> 255 left to right, green 0, blue 128
                EXPECT_EQ(data[0], 0);
                EXPECT_EQ(data[1], 0);
                EXPECT_EQ(data[2], 128);
                EXPECT_EQ(data[3 * 639], 255);
            }
            if (handles)
                GlobalUnlock(handle);
            rows.push_back(TW_UINT32(strip.Rows));
        } while (rc == TWRC_SUCCESS && rows.size() < 100);
        EXPECT_EQ(rc, TWRC_XFERDONE);
        ASSERT_EQ(rows.size(), 29u);
        EXPECT_EQ(rows.front(), 17u);
        EXPECT_EQ(rows.back(), 4u);
        GlobalFree(handle);
    }
    // Memory the program does not own is refused.
    TW_IMAGEMEMXFER foreign{};
    std::uint8_t byte = 0;
    foreign.Memory = TW_MEMORY{TWMF_DSOWNS | TWMF_POINTER, 1, &byte};
    EXPECT_EQ(call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &foreign), TWRC_FAILURE);
}

TEST_F(DataSourceTest, MemoryTransferThroughTheFileRoute)
{
    TestModuleControl& control = module();
    control.canTransferStrips = 0;
    control.width = 100;
    control.height = 30;
    control.bitsPerPixel = 1;
    openSource();
    ASSERT_EQ(setOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
    pictureReady();
    TW_SETUPFILEXFER file{};
    ASSERT_EQ(call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &file), TWRC_SUCCESS);
    EXPECT_EQ(fs::path(file.FileName).extension(), ".tif");
    TW_SETUPMEMXFER setup{};
    ASSERT_EQ(call(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup), TWRC_SUCCESS);
    EXPECT_TRUE(fs::exists(file.FileName));

    std::vector<std::uint8_t> buffer(130);  // ten rows of 13 bytes
    TW_IMAGEMEMXFER strip{};
    strip.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 130, buffer.data()};
    ASSERT_EQ(call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
    EXPECT_EQ(TW_UINT32(strip.BytesPerRow), 13u);
    EXPECT_EQ(TW_UINT32(strip.Rows), 10u);
    EXPECT_EQ(TW_UINT32(strip.Columns), 100u);
    EXPECT_EQ(buffer[0], 0xFF);  // the checker's first eight pixels are set
    EXPECT_EQ(buffer[1], 0x00);
    ASSERT_EQ(call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
    EXPECT_EQ(TW_UINT32(strip.YOffset), 10u);
    ASSERT_EQ(call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_XFERDONE);
    EXPECT_FALSE(fs::exists(file.FileName));
}

TEST_F(DataSourceTest, AFileRouteTransferEndedEarlyLeavesNoFileAndTheNextPictureStartsWhole)
{
    TestModuleControl& control = module();
    control.canTransferStrips = 0;
    control.width = 100;
    control.height = 30;
    control.bitsPerPixel = 1;
    control.defaults.word[2] = control.defaults.word[3] = 1;  // a loaded feeder keeps state 6
    openSource();
    ASSERT_EQ(setOne(ICAP_XFERMECH, TWTY_UINT16, TWSX_MEMORY), TWRC_SUCCESS);
    pictureReady();
    TW_SETUPFILEXFER file{};
    ASSERT_EQ(call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &file), TWRC_SUCCESS);

    std::vector<std::uint8_t> buffer(130);
    TW_IMAGEMEMXFER strip{};
    strip.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_POINTER, 130, buffer.data()};
    TW_PENDINGXFERS pending{};
    for (const TW_UINT16 end : {MSG_ENDXFER, MSG_RESET}) {
        SCOPED_TRACE(end);
        ASSERT_TRUE(inState6());
        signal(kTestModuleSignalReady);  // the feeder's next page
        ASSERT_EQ(call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_SUCCESS);
        EXPECT_EQ(TW_UINT32(strip.YOffset), 0u);
        ASSERT_TRUE(fs::exists(file.FileName));
        ASSERT_EQ(call(DG_CONTROL, DAT_PENDINGXFERS, end, &pending), TWRC_SUCCESS);
        EXPECT_FALSE(fs::exists(file.FileName));
    }
    EXPECT_FALSE(inState6());
}

TEST_F(DataSourceTest, EndOfTransferFollowsTheModulesFeeder)
{
    TestModuleControl& control = module();
    control.defaults.word[3] = 0;  // no loaded feeder
    openSource();
    ASSERT_EQ(setOne(CAP_XFERCOUNT, TWTY_INT16, 2), TWRC_SUCCESS);
    pictureReady();
    TW_HANDLE dib = nullptr;
    ASSERT_EQ(call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    GlobalFree(dib);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(TW_UINT16(pending.Count), 0);
    EXPECT_FALSE(inState6());
    ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);

    // A present and loaded feeder: the count reads 0 after the open, -1 after
    // the first end of transfer, and the source stays ready.
    control.defaults.word[2] = control.defaults.word[3] = 1;
    std::strcpy(source.ProductName, "Test Camera");
    ASSERT_EQ(dsm(&program, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source), TWRC_SUCCESS);
    EXPECT_EQ(get(CAP_XFERCOUNT, MSG_GETCURRENT).as<TW_INT16>(2), 0);
    EXPECT_EQ(get(CAP_FEEDERLOADED, MSG_GET).as<TW_UINT16>(2), 1);
    pictureReady();
    ASSERT_EQ(call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    GlobalFree(dib);
    ASSERT_EQ(call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(static_cast<TW_INT16>(pending.Count), -1);
    EXPECT_EQ(get(CAP_XFERCOUNT, MSG_GETCURRENT).as<TW_INT16>(2), -1);
    EXPECT_TRUE(inState6());
    ASSERT_EQ(call(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending), TWRC_SUCCESS);
    EXPECT_FALSE(inState6());
}

TEST_F(DataSourceTest, MessagesReachTheProgramOnceAndCancelEndsThePicture)
{
    TestModuleControl& control = module();
    openSource();
    registerCallback();
    ASSERT_EQ(enable(false), TWRC_SUCCESS);
    signal(kTestModuleSignalReady);
    signal(kTestModuleSignalReady);
    EXPECT_EQ(callbackMessages, std::vector<TW_UINT16>{MSG_XFERREADY});
    TW_IMAGEINFO info{};
    ASSERT_EQ(call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    EXPECT_EQ(TW_INT32(info.ImageWidth), 640);
    EXPECT_EQ(TW_INT16(info.PixelType), TWPT_RGB);

    control.dibResult = 2;
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_CANCEL);
    EXPECT_FALSE(inState6());  // state 7
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    control.dibResult = -1;
    signal(kTestModuleSignalReady);
    ASSERT_EQ(call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    GlobalFree(dib);
    EXPECT_EQ(callbackMessages, (std::vector<TW_UINT16>{MSG_XFERREADY, MSG_XFERREADY}));
    signal(kTestModuleSignalClose);
    signal(kTestModuleSignalClose);
    EXPECT_EQ(callbackMessages.size(), 3u);
    EXPECT_EQ(callbackMessages.back(), MSG_CLOSEDSREQ);

    TW_SETUPFILEXFER pict{};
    std::strcpy(pict.FileName, "x.pict");
    pict.Format = TWFF_PICT;
    TW_PENDINGXFERS end{};
    call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &end);
    EXPECT_EQ(call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &pict), TWRC_FAILURE);
    EXPECT_EQ(conditionCode(), TWCC_BADVALUE);
}

TEST_F(DataSourceTest, WithoutCallbackMessagesComeThroughProcessEvent)
{
    openSource();
    ASSERT_EQ(enable(false), TWRC_SUCCESS);
    signal(kTestModuleSignalReady);
    TW_EVENT event{nullptr, MSG_NULL};
    EXPECT_EQ(call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_DSEVENT);
    EXPECT_EQ(event.TWMessage, MSG_XFERREADY);
    EXPECT_EQ(call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
}

TEST_F(DataSourceTest, PictureBeforeEnableIsIgnored)
{
    openSource();
    registerCallback();
    signal(kTestModuleSignalReady);
    EXPECT_TRUE(callbackMessages.empty());
    EXPECT_EQ(enable(false), TWRC_SUCCESS);
}

}  // namespace
