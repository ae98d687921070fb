#include "camera/core/string_table.h"

#include <gtest/gtest.h>

using lumoset::loadString;

TEST(StringTable, LanguagesAreThousandIdsApart)
{
    EXPECT_EQ(loadString(10000), "English String");
    EXPECT_EQ(loadString(15000), "NETHERLAND String");
    EXPECT_EQ(loadString(10409), "Take Picture");
    EXPECT_EQ(loadString(12409), "Enregistrer une image");
    EXPECT_EQ(loadString(13311), "Si desidera uscire da Lumoset senza salvare i file?");
    EXPECT_EQ(loadString(lumoset::kStrProgramName), "Lumoset");
    EXPECT_EQ(loadString(6000), "");  // the program name exists once
}

TEST(StringTable, KeepsEscapesSpacesAndAccents)
{
    EXPECT_EQ(loadString(10305), "Insufficient memory!\nCan't add an image again.");
    EXPECT_EQ(loadString(15311),
              "Wilt u Lumoset verlaten zonder het bestand (de bestanden) op te slaan?\n");
    EXPECT_EQ(loadString(10403), " View");
    EXPECT_EQ(loadString(12429), "Ouvrir l'Album photo ");
    EXPECT_EQ(loadString(11319), "Die Spielzeit muß größer sein als die automatische Aufnahmefrequenz!");
    EXPECT_EQ(loadString(14311), "¿Desea salir de Lumoset sin almacenar el/los archivo(s)?");
}

TEST(StringTable, UnknownIdsAreEmpty)
{
    EXPECT_EQ(loadString(0), "");
    EXPECT_EQ(loadString(-1), "");
    EXPECT_EQ(loadString(10310), "");
    EXPECT_EQ(loadString(99999), "");
}
