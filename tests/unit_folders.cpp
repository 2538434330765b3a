// Installation root, per-user folder, language file and option document.
#include "base/folders.h"
#include "base/platform.h"
#include "support/test_support.h"
#include "update/domainoption.h"

#include <wx/dir.h>
#include <wx/filename.h>

namespace {

TEST(InstallationRoot, IsTheParentOfTheProgramsFolder) {
    EXPECT_EQ(RootDirFromProgramPath("/usr/lib/loopwright/bin/loopwright"), "/usr/lib/loopwright");
    EXPECT_EQ(RootDirFromProgramPath("/opt/x/bin/"), "/opt/x");
    EXPECT_EQ(RootDirFromProgramPath("C:\\Programs\\Loop\\bin\\loop.exe"), "C:/Programs/Loop");
    EXPECT_EQ(RootDirFromProgramPath("dir\\bin/loopwright"), "dir");
}

TEST(InstallationRoot, IsEmptyWithoutTwoFolderLevels) {
    EXPECT_EQ(RootDirFromProgramPath("loopwright"), "");
    EXPECT_EQ(RootDirFromProgramPath("bin/loopwright"), "");
    EXPECT_EQ(RootDirFromProgramPath("/loopwright"), "");
    EXPECT_EQ(RootDirFromProgramPath(""), "");
}

TEST(InstallationRoot, OfTheRunningProgramHoldsItsData) {
    // The tests run from the build tree, which is laid out like an installation.
    EXPECT_EQ(GetRootDir(), wxString(LW_STAGE_DIR));
    EXPECT_EQ(GetOptionFilePath(), wxString(LW_STAGE_DIR) + "/option.cfg");
    EXPECT_TRUE(wxFileName::FileExists(GetOptionFilePath()));
    EXPECT_TRUE(wxFileName::DirExists(GetRootDir() + "/Themes"));
}

TEST(ProductConstants, NameVersionAndMaker) {
    EXPECT_EQ(GetMakerName(), "Marvolent");
    EXPECT_EQ(GetProductString(), "Marvolent+Loopwright");
    EXPECT_EQ(GetProductName(), "Marvolent Loopwright");
    EXPECT_EQ(GetProductVersion(), "1.0.80");
}

TEST(UserDataFolder, IsCreatedWithBothLevelsOnEveryRequest) {
    const wxString docs = lwtest::MakeTempDir("docs");
    const wxString dir = UserDataDirUnder(docs);
    EXPECT_EQ(dir, docs + "/Marvolent files/Marvolent Loopwright");
    EXPECT_TRUE(wxFileName::DirExists(dir));

    wxFileName::Rmdir(docs + "/Marvolent files", wxPATH_RMDIR_RECURSIVE);
    ASSERT_FALSE(wxFileName::DirExists(dir));
    EXPECT_EQ(UserDataDirUnder(docs), dir);
    EXPECT_TRUE(wxFileName::DirExists(dir));
}

TEST(UserDataFolder, LiesInTheDocumentsFolderOfTheTestHome) {
    const wxString docs = GetDocumentsFolder();
    EXPECT_TRUE(docs.StartsWith(wxString(lwtest::TestHome()))) << docs;
    EXPECT_EQ(GetUserDataDir(), docs + "/Marvolent files/Marvolent Loopwright");
    EXPECT_EQ(GetLanguageFilePath(), GetUserDataDir() + "/language.txt");
}

TEST(UserDataFolder, BackslashesOfTheDocumentsFolderBecomeSlashes) {
    const wxString docs = lwtest::MakeTempDir("docs");
    wxString withBackslash = docs;
    withBackslash.Replace("/", "\\");
    // Built as text; the folders cannot exist under such a name here.
    EXPECT_EQ(UserDataDirUnder(withBackslash), docs + "/Marvolent files/Marvolent Loopwright");
}

TEST(LeadingInt, ReadsLikeTheRuntimesConversion) {
    EXPECT_EQ(ParseLeadingInt("58"), 58);
    EXPECT_EQ(ParseLeadingInt("112\n"), 112);
    EXPECT_EQ(ParseLeadingInt("abc"), 0);
    EXPECT_EQ(ParseLeadingInt(""), 0);
    EXPECT_EQ(ParseLeadingInt("-5"), -5);
    EXPECT_EQ(ParseLeadingInt(" \t+7x"), 7);
    EXPECT_EQ(ParseLeadingInt("- 5"), 0);
    EXPECT_EQ(ParseLeadingInt("99999999999999"), 2147483647);
    EXPECT_EQ(ParseLeadingInt("-99999999999999"), -2147483647 - 1);
}

class LanguageFile : public ::testing::Test {
protected:
    void SetUp() override { wxRemoveFile(GetLanguageFilePath()); }
    void Write(const std::string& bytes) {
        lwtest::WriteFile(GetLanguageFilePath().ToStdString(), bytes);
    }
};

TEST_F(LanguageFile, FirstStartWritesEnglish) {
    wxFileName::Rmdir(GetDocumentsFolder() + "/Marvolent files", wxPATH_RMDIR_RECURSIVE);
    EXPECT_EQ(ReadLanguageCode(), 58);
    EXPECT_EQ(lwtest::ReadFile(GetLanguageFilePath().ToStdString()), "58");
}

TEST_F(LanguageFile, ContentsGiveTheCode) {
    const std::pair<std::string, int> cases[] = {
        {"112\n", 112}, {"abc", 0}, {"-5", -5}, {"1234567890", 12345678}, {"", 0}, {"0", 0},
    };
    for (const auto& [bytes, code] : cases) {
        Write(bytes);
        EXPECT_EQ(ReadLanguageCode(), code) << "file holds \"" << bytes << "\"";
    }
}

TEST_F(LanguageFile, WritingReplacesTheWholeFile) {
    Write("1234567890");
    WriteLanguageCode(89);
    EXPECT_EQ(lwtest::ReadFile(GetLanguageFilePath().ToStdString()), "89");
    WriteLanguageCode(-5);
    EXPECT_EQ(ReadLanguageCode(), -5);
}

TEST_F(LanguageFile, AnUnwritableFolderIsIgnored) {
    // A folder where the file should be: writing fails quietly and the
    // program starts in English.
    wxFileName::Mkdir(GetLanguageFilePath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    WriteLanguageCode(89);
    EXPECT_EQ(ReadLanguageCode(), 58);
    wxFileName::Rmdir(GetLanguageFilePath());
}

class OptionFile : public ::testing::Test {
protected:
    wxString Make(const std::string& xml) {
        const wxString path = lwtest::MakeTempDir("option") + "/option.cfg";
        lwtest::WriteFile(path.ToStdString(), xml);
        return path;
    }
    static std::string Values(int count, const char* fifth = "e") {
        const char* values[] = {"a", "b", "c", "d", fifth, "f", "g"};
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<o>\n <c>\n";
        for (int i = 0; i < count; ++i)
            xml += std::string("  <v") + std::to_string(i) + ">" + values[i] + "</v" +
                   std::to_string(i) + ">\n";
        return xml + " </c>\n</o>\n";
    }
};

TEST_F(OptionFile, SevenValuesByPosition) {
    DomainOption option(Make(Values(7, "U")));
    EXPECT_TRUE(option.ReadValues());
    EXPECT_EQ(option.GetHelpUrl(), "a");
    EXPECT_EQ(option.GetSupportUrl(), "c");
    EXPECT_EQ(option.GetUpdateUrl(), "U-update.xml");
    EXPECT_EQ(option.GetHomeUrl(), "f");
}

TEST_F(OptionFile, FourValuesLeaveTheRestEmpty) {
    DomainOption option(Make(Values(4)));
    EXPECT_FALSE(option.ReadValues());
    EXPECT_EQ(option.GetHelpUrl(), "a");
    EXPECT_EQ(option.GetSupportUrl(), "c");
    EXPECT_EQ(option.GetUpdateUrl(), "");
    EXPECT_EQ(option.GetHomeUrl(), "");
}

TEST_F(OptionFile, NamesDoNotMatterOrderDoes) {
    DomainOption renamed(Make(
        "<r><x><q>h</q><q>2</q><zz>s</zz><q>4</q><q>u</q><p>home</p><q>7</q></x></r>"));
    EXPECT_TRUE(renamed.ReadValues());
    EXPECT_EQ(renamed.GetHelpUrl(), "h");
    EXPECT_EQ(renamed.GetSupportUrl(), "s");
    EXPECT_EQ(renamed.GetHomeUrl(), "home");

    DomainOption reordered(Make(
        "<options><a><home>H</home><forum>2</forum><support>S</support><order>4</order>"
        "<update>U</update><help>X</help><c>7</c></a></options>"));
    EXPECT_TRUE(reordered.ReadValues());
    EXPECT_EQ(reordered.GetHelpUrl(), "H");
    EXPECT_EQ(reordered.GetHomeUrl(), "X");
}

TEST_F(OptionFile, TextContentIncludingCdataAndEmptyElements) {
    DomainOption option(Make(
        "<r><c><v><![CDATA[http://x/?a=1&b=2]]></v><v/><v>s &amp; t</v><v/><v/><v/><v/></c></r>"));
    EXPECT_TRUE(option.ReadValues());
    EXPECT_EQ(option.GetHelpUrl(), "http://x/?a=1&b=2");
    EXPECT_EQ(option.GetSupportUrl(), "s & t");
    EXPECT_EQ(option.GetUpdateUrl(), "-update.xml");
}

TEST_F(OptionFile, MissingMalformedOrEmptyFilesGiveNoValues) {
    const wxString missing = lwtest::MakeTempDir("option") + "/none.cfg";
    std::string deep;  // ended the program once, freeing the toolkit's tree
    for (int i = 0; i < 150000; ++i) deep += "<a>";
    const std::string entity = "<!DOCTYPE o [<!ENTITY e \"x\">]>";
    for (const wxString& path : {missing, Make("<r><c><v>a</v>"), Make(""), Make("<r/>"),
                                 Make("<r><c/></r>"), Make("\xff\xfe garbage"), Make(deep),
                                 Make(entity + Values(7).substr(Values(7).find("<o>")))}) {
        DomainOption option(path);
        EXPECT_FALSE(option.ReadValues()) << path;
        EXPECT_EQ(option.GetHelpUrl(), "");
        EXPECT_EQ(option.GetUpdateUrl(), "");
    }
}

TEST_F(OptionFile, TheShippedFileHasAllSevenValues) {
    DomainOption option(GetOptionFilePath());
    EXPECT_TRUE(option.ReadValues());
    EXPECT_TRUE(option.GetHelpUrl().StartsWith("https://"));
    EXPECT_TRUE(option.GetUpdateUrl().EndsWith("-update.xml"));
    EXPECT_FALSE(option.GetHomeUrl().empty());
}

}  // namespace
