// Programs that break the rules: every triplet in every state with null,
// zeroed, garbage and short pData, and programs that skip steps. The source
// must answer each with a TWRC code (a failure with a condition code),
// never crash or read past what it was given, and keep no memory block or
// temporary file once the program closed it.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "source/tests/hostile_calls.h"

namespace {

using namespace attack;

attack::SourceUnderAttack& theSource()
{
    static attack::SourceUnderAttack source(LUMO_TEST_BUILD_DIR);
    return source;
}

// The states a program can bring the source into, 3 to 7.
enum class State { Loaded = 3, Open, Enabled, TransferReady, Transferring };

// A memory transfer in strips of one row: the first strip leaves the
// source in state 7 with the rest of the picture still to come.
TW_UINT16 oneRowStrip(SourceUnderAttack& source, std::vector<std::uint8_t>& row)
{
    TW_IMAGEINFO info{};
    if (source.call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info) != TWRC_SUCCESS)
        return TWRC_FAILURE;
    row.assign(static_cast<std::size_t>(info.ImageWidth) * 3 + 3, 0);
    TW_IMAGEMEMXFER strip{};
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(row.size()), row.data()};
    return source.call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
}

void bringTo(SourceUnderAttack& source, State state, std::vector<std::uint8_t>& row)
{
    source.reset();
    if (state == State::Loaded)
        return;
    ASSERT_EQ(source.open(), TWRC_SUCCESS);
    if (state == State::Open)
        return;
    ASSERT_EQ(source.enable(), TWRC_SUCCESS);
    if (state == State::Enabled)
        return;
    source.signalReady();
    if (state == State::TransferReady)
        return;
    ASSERT_EQ(oneRowStrip(source, row), TWRC_SUCCESS);
}

// The same garbage for every run: a fixed pseudo-random stream.
std::vector<std::uint8_t> garbage(std::size_t size, std::uint32_t seed)
{
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>(seed >> 24);
    }
    return bytes;
}

TEST(HostileProgram, EveryTripletInEveryStateAnswersATwrcCodeAndKeepsNothing)
{
    SourceUnderAttack& source = theSource();
    source.reset();
    const SIZE_T blocksBefore = LumoGlobalLiveCount();
    // Short: every handle the program gives is one byte long, whatever the
    // structure around it announces.
    const std::vector<std::uint8_t> shortHandles(4096, 1);
    const std::vector<std::uint8_t> noise = garbage(4096, 18);
    std::vector<std::uint8_t> row;
    int calls = 0;
    for (State state : {State::Loaded, State::Open, State::Enabled, State::TransferReady, State::Transferring}) {
        for (TW_UINT32 dg : {DG_CONTROL, DG_IMAGE, DG_CONTROL | DG_IMAGE}) {
            for (TW_UINT16 dat : kDats) {
                for (TW_UINT16 msg : kMsgs) {
                    for (int kind = 0; kind < 4; ++kind) {
                        bringTo(source, state, row);
                        const std::vector<std::uint8_t>& stream = kind == 3 ? shortHandles : noise;
                        Bytes in(stream.data(), stream.size());
                        const PData how = kind == 0 ? PData::Null : kind == 1 ? PData::Zeroed : PData::Filled;
                        const TW_UINT16 rc = hostileCall(source, dg, dat, msg, how, in);
                        ASSERT_LE(rc, TWRC_ENDOFLIST);
                        ++calls;
                    }
                }
            }
        }
    }
    source.reset();
    EXPECT_EQ(calls, 5 * 3 * static_cast<int>(std::size(kDats) * std::size(kMsgs)) * 4);
    EXPECT_EQ(LumoGlobalLiveCount(), blocksBefore);
}

TEST(HostileProgram, AStrangerIsNotServedWhileTheSourceIsOpen)
{
    SourceUnderAttack& source = theSource();
    std::vector<std::uint8_t> row;
    bringTo(source, State::TransferReady, row);
    TW_IMAGEINFO info{};
    TW_UINT16 code = TWCC_SUCCESS;
    EXPECT_EQ(source.call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info, &source.stranger()), TWRC_NOTDSEVENT);
    EXPECT_EQ(source.call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr, &source.stranger()), TWRC_NOTDSEVENT);
    EXPECT_EQ(source.call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
    ASSERT_TRUE(source.conditionCode(code));
    source.reset();
}

// Only DAT_EVENT carries an event record; pData of another data type is
// not read as one.
TEST(HostileProgram, AnEventMessageWithAnotherDataTypeIsAProtocolError)
{
    SourceUnderAttack& source = theSource();
    source.reset();
    ASSERT_EQ(source.open(), TWRC_SUCCESS);
    TW_UINT32 group = 0;
    EXPECT_EQ(source.call(DG_CONTROL, DAT_XFERGROUP, MSG_PROCESSEVENT, &group), TWRC_FAILURE);
    TW_UINT16 code = TWCC_SUCCESS;
    ASSERT_TRUE(source.conditionCode(code));
    EXPECT_EQ(code, TWCC_BADPROTOCOL);
    TW_EVENT event{};
    EXPECT_EQ(source.call(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &event), TWRC_NOTDSEVENT);
    source.reset();
}

class SkippedSteps : public ::testing::Test {
protected:
    void SetUp() override
    {
        theSource().reset();
        blocksBefore = LumoGlobalLiveCount();
    }
    void TearDown() override
    {
        theSource().reset();
        EXPECT_EQ(LumoGlobalLiveCount(), blocksBefore);
    }
    TW_UINT16 condition()
    {
        TW_UINT16 code = TWCC_SUCCESS;
        EXPECT_TRUE(theSource().conditionCode(code));
        return code;
    }
    SIZE_T blocksBefore = 0;
    SourceUnderAttack& source = theSource();
};

TEST_F(SkippedSteps, TransfersBeforeThePictureIsReadyAreSequenceErrors)
{
    ASSERT_EQ(source.open(), TWRC_SUCCESS);
    ASSERT_EQ(source.enable(), TWRC_SUCCESS);
    TW_HANDLE dib = nullptr;
    EXPECT_EQ(source.call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR);
    EXPECT_EQ(dib, nullptr);
    EXPECT_EQ(source.call(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR);
    std::vector<std::uint8_t> buffer(64);
    TW_IMAGEMEMXFER strip{};
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(buffer.size()), buffer.data()};
    EXPECT_EQ(source.call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR);
    TW_PENDINGXFERS pending{};
    EXPECT_EQ(source.call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR);

    // The picture that does come is still delivered whole.
    source.signalReady();
    ASSERT_EQ(source.call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    EXPECT_EQ(GlobalFree(dib), nullptr);
}

TEST_F(SkippedSteps, EndingATransferTwiceIsASequenceError)
{
    // A camera without a loaded feeder: after its one picture the source
    // goes back to state 5.
    source.control().defaults.word[2] = 0;
    source.control().defaults.word[3] = 0;
    ASSERT_EQ(source.open(), TWRC_SUCCESS);
    ASSERT_EQ(source.enable(), TWRC_SUCCESS);
    source.signalReady();
    TW_HANDLE dib = nullptr;
    ASSERT_EQ(source.call(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &dib), TWRC_XFERDONE);
    EXPECT_EQ(GlobalFree(dib), nullptr);
    TW_PENDINGXFERS pending{};
    ASSERT_EQ(source.call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_SUCCESS);
    EXPECT_EQ(pending.Count, 0);
    EXPECT_EQ(source.call(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending), TWRC_FAILURE);
    EXPECT_EQ(condition(), TWCC_SEQERROR);
    // Back in state 5: the next picture goes through as usual.
    source.signalReady();
    TW_IMAGEINFO info{};
    EXPECT_EQ(source.call(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &info), TWRC_SUCCESS);
}

// Closing in the middle of a memory transfer through the module's TIFF
// file: the source is closed, the file is gone, and the next session
// transfers a whole picture.
TEST_F(SkippedSteps, ClosingMidTransferLeavesNoFileAndTheNextSessionWorks)
{
    source.control().canTransferStrips = 0;  // the file route
    ASSERT_EQ(source.open(), TWRC_SUCCESS);
    TW_SETUPFILEXFER file{};
    ASSERT_EQ(source.call(DG_CONTROL, DAT_SETUPFILEXFER, MSG_GET, &file), TWRC_SUCCESS);
    const std::string transferFile = file.FileName;
    ASSERT_FALSE(transferFile.empty());
    ASSERT_EQ(source.enable(), TWRC_SUCCESS);
    source.signalReady();
    std::vector<std::uint8_t> row;
    ASSERT_EQ(oneRowStrip(source, row), TWRC_SUCCESS);
    EXPECT_TRUE(std::filesystem::exists(transferFile));

    EXPECT_EQ(source.call(DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, nullptr), TWRC_SUCCESS);
    EXPECT_FALSE(std::filesystem::exists(transferFile));
    EXPECT_EQ(source.call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, nullptr), TWRC_FAILURE);

    ASSERT_EQ(source.open(), TWRC_SUCCESS);
    ASSERT_EQ(source.enable(), TWRC_SUCCESS);
    source.signalReady();
    std::vector<std::uint8_t> whole(1 << 16);
    TW_IMAGEMEMXFER strip{};
    strip.Memory = {TWMF_APPOWNS | TWMF_POINTER, static_cast<TW_UINT32>(whole.size()), whole.data()};
    ASSERT_EQ(source.call(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip), TWRC_XFERDONE);
    const TW_UINT32 rows = strip.Rows;  // the structure is packed
    EXPECT_EQ(rows, static_cast<TW_UINT32>(kPictureHeight));
}

}  // namespace
