#include "platform/profile/ini_document.h"

#include <gtest/gtest.h>

using platform::profile::IniDocument;

TEST(IniDocument, FindsValuesWithoutRegardToCaseAndBlanks)
{
    const IniDocument doc("[Orvane.USB_VCAM]\n  quality = 2 \nSPEED=0\n[Other]\nQuality=9\n");
    EXPECT_EQ(doc.value("orvane.usb_vcam", "Quality"), "2");
    EXPECT_EQ(doc.value("ORVANE.USB_VCAM", "speed"), "0");
    EXPECT_EQ(doc.value("other", "quality"), "9");
    EXPECT_FALSE(doc.value("Orvane.USB_VCAM", "Hue"));
    EXPECT_FALSE(doc.value("Missing", "Quality"));
}

TEST(IniDocument, FirstOfDuplicateSectionsAndKeysWins)
{
    const IniDocument doc("[a]\nk=1\nk=2\n[A]\nk=3\nj=4\n");
    EXPECT_EQ(doc.value("a", "k"), "1");
    EXPECT_FALSE(doc.value("a", "j"));  // only the first [a] is searched
}

TEST(IniDocument, QuotesCommentsAndLinesWithoutEquals)
{
    const IniDocument doc("[s]\n;k=commented\nk\nq=\"quoted value\"\nh='x\n");
    EXPECT_FALSE(doc.value("s", ";k"));
    EXPECT_FALSE(doc.value("s", "k"));
    EXPECT_EQ(doc.value("s", "q"), "quoted value");
    EXPECT_EQ(doc.value("s", "h"), "'x");  // unbalanced quote stays
}

TEST(IniDocument, RewritingOneKeyKeepsEveryOtherByte)
{
    const std::string before = "; top comment\n[Orvane.VCAM_TWAIN]\nSize = 3\n\n"
                               "[Orvane.USB_VCAM]\n  Quality = 1 \nSpeed=1\n\n[drivers]\nwave=x\n";
    IniDocument doc(before);
    doc.setValue("orvane.usb_vcam", "QUALITY", "2");
    EXPECT_EQ(doc.text(), "; top comment\n[Orvane.VCAM_TWAIN]\nSize = 3\n\n"
                          "[Orvane.USB_VCAM]\nQuality=2\nSpeed=1\n\n[drivers]\nwave=x\n");
}

TEST(IniDocument, NewKeysGoToTheEndOfTheirSectionAndNewSectionsToTheFileEnd)
{
    IniDocument doc("[a]\nx=1\n\n[b]\ny=2");
    doc.setValue("A", "z", "3");
    doc.setValue("c", "w", "4");
    EXPECT_EQ(doc.text(), "[a]\nx=1\nz=3\n\n[b]\ny=2\n\n[c]\nw=4\n");

    IniDocument empty("");
    empty.setValue("s", "k", "v");
    EXPECT_EQ(empty.text(), "[s]\nk=v\n");
}

TEST(IniDocument, KeepsWindowsLineEnds)
{
    IniDocument doc("[a]\r\nx=1\r\n");
    doc.setValue("a", "y", "2");
    EXPECT_EQ(doc.text(), "[a]\r\nx=1\r\ny=2\r\n");
}

TEST(IniDocument, RemovesKeysAndSections)
{
    IniDocument doc("[a]\nx=1\ny=2\n[b]\nz=3\n");
    EXPECT_TRUE(doc.removeKey("A", "X"));
    EXPECT_FALSE(doc.removeKey("a", "x"));
    EXPECT_TRUE(doc.removeSection("b"));
    EXPECT_EQ(doc.text(), "[a]\ny=2\n");
    EXPECT_EQ(doc.keyNames("a"), std::vector<std::string>{"y"});
    EXPECT_EQ(doc.sectionNames(), std::vector<std::string>{"a"});
}
