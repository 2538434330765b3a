// The message catalogs of the interface languages: complete, in step with the
// template and the sources, and faithful to each text's placeholders, line
// breaks and mnemonics.
#include "support/test_support.h"

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>

#include <algorithm>
#include <regex>
#include <set>
#include <sstream>

namespace {

const char* const kCatalogs[] = {"de", "fr", "it", "ja", "zh_CN", "zh_TW"};

std::string PoDir() { return std::string(LW_SOURCE_DIR) + "/po"; }
std::string Template() { return PoDir() + "/language.pot"; }
std::string Catalog(const std::string& name) { return PoDir() + "/" + name + ".po"; }

std::string Tool(const char* name) {
    wxPathList paths;
    paths.AddEnvList("PATH");
    return paths.FindAbsoluteValidPath(name).ToStdString();
}

struct PoEntry {
    std::string msgid;
    std::string msgstr;
    bool fuzzy = false;
};

std::string Unescape(const std::string& quoted) {
    std::string out;
    for (size_t i = 1; i + 1 < quoted.size(); ++i) {
        if (quoted[i] != '\\') {
            out += quoted[i];
            continue;
        }
        const char c = quoted[++i];
        out += c == 'n' ? '\n' : c == 't' ? '\t' : c;
    }
    return out;
}

// Reads the entries of a catalog (header and obsolete entries left out).
// Enough for the files of this project: no plurals, no contexts.
std::vector<PoEntry> ReadPo(const std::string& path) {
    std::vector<PoEntry> entries;
    std::istringstream in(lwtest::ReadFile(path));
    PoEntry entry;
    std::string* field = nullptr;
    auto finish = [&] {
        if (!entry.msgid.empty()) entries.push_back(entry);
        entry = PoEntry{};
        field = nullptr;
    };
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("#,", 0) == 0 && line.find("fuzzy") != std::string::npos) {
            entry.fuzzy = true;
        } else if (line.rfind("msgid ", 0) == 0) {
            entry.msgid = Unescape(line.substr(6));
            field = &entry.msgid;
        } else if (line.rfind("msgstr ", 0) == 0) {
            entry.msgstr = Unescape(line.substr(7));
            field = &entry.msgstr;
        } else if (line.rfind("\"", 0) == 0 && field) {
            *field += Unescape(line);
        } else if (line.empty()) {
            finish();
        }
    }
    finish();
    return entries;
}

std::vector<std::string> PrintfDirectives(const std::string& text) {
    static const std::regex directive(R"(%[-+ #0]*[0-9]*(\.[0-9]+)?[hlLqjzt]*[diouxXeEfgGcsp%])");
    std::vector<std::string> found;
    for (std::sregex_iterator it(text.begin(), text.end(), directive), end; it != end; ++it)
        found.push_back(it->str());
    return found;
}

size_t Count(const std::string& text, char c) { return std::count(text.begin(), text.end(), c); }

lwtest::ProcessResult RunTool(const std::vector<std::string>& argv) {
    return lwtest::RunProcess(argv, {}, std::chrono::seconds(60));
}

TEST(Catalogs, HoldExactlyTheTemplatesTextsAllTranslated) {
    const std::string msgcmp = Tool("msgcmp");
    ASSERT_FALSE(msgcmp.empty()) << "msgcmp (gettext) is missing";
    for (const char* name : kCatalogs) {
        // Every template text is translated, neither fuzzy nor empty...
        auto forward = RunTool({msgcmp, Catalog(name), Template()});
        EXPECT_EQ(forward.exitCode, 0) << name << ":\n" << forward.err;
        // ...and the catalog holds no text that the template lacks.
        auto backward = RunTool({msgcmp, "--use-untranslated", Template(), Catalog(name)});
        EXPECT_EQ(backward.exitCode, 0) << name << ":\n" << backward.err;
    }
}

TEST(Catalogs, CompileCleanlyAndAreInstalledUnderTheirCanonicalNames) {
    const std::string msgfmt = Tool("msgfmt");
    ASSERT_FALSE(msgfmt.empty());
    const size_t texts = ReadPo(Template()).size();
    for (const char* name : kCatalogs) {
        auto result = RunTool({msgfmt, "--check", "--statistics", "-o", "/dev/null", Catalog(name)});
        EXPECT_EQ(result.exitCode, 0) << name << ":\n" << result.err;
        EXPECT_EQ(result.err, std::to_string(texts) + " translated messages.\n") << name;
        EXPECT_TRUE(wxFileExists(std::string(LW_STAGE_DIR) + "/Language/" + name + "/language.mo"))
            << name;
    }
}

TEST(Catalogs, EveryTextTheSourcesTranslateIsInTheTemplate) {
    const std::string xgettext = Tool("xgettext");
    const std::string msgcmp = Tool("msgcmp");
    ASSERT_FALSE(xgettext.empty());
    std::vector<std::string> argv = {xgettext,
                                     "--from-code=UTF-8",
                                     "--language=C++",
                                     "--force-po",
                                     "--keyword=_",
                                     "--keyword=wxTRANSLATE",
                                     "--keyword=wxGetTranslation:1",
                                     "-o",
                                     lwtest::MakeTempDir("pot") + "/code.pot"};
    const std::string extracted = argv.back();
    wxArrayString sources;
    for (const char* dir : {"/src", "/include"}) {
        wxDir::GetAllFiles(std::string(LW_SOURCE_DIR) + dir, &sources, "*.cpp");
        wxDir::GetAllFiles(std::string(LW_SOURCE_DIR) + dir, &sources, "*.h");
    }
    ASSERT_FALSE(sources.empty());
    for (const wxString& source : sources) argv.push_back(source.ToStdString());
    auto extract = RunTool(argv);
    ASSERT_EQ(extract.exitCode, 0) << extract.err;
    // A text in the code that differs from the catalogs' identifier by a
    // single character would stay English in every language.
    auto compare = RunTool({msgcmp, "--use-untranslated", Template(), extracted});
    EXPECT_EQ(compare.exitCode, 0) << compare.err;
}

TEST(Catalogs, TranslationsKeepPlaceholdersLineBreaksAndMnemonics) {
    const std::vector<PoEntry> pot = ReadPo(Template());
    ASSERT_GE(pot.size(), 50u);
    for (const char* name : kCatalogs) {
        const std::vector<PoEntry> entries = ReadPo(Catalog(name));
        EXPECT_EQ(entries.size(), pot.size()) << name;
        for (const PoEntry& e : entries) {
            const std::string where = std::string(name) + ": " + e.msgid;
            EXPECT_FALSE(e.fuzzy) << where;
            EXPECT_FALSE(e.msgstr.empty()) << where;
            EXPECT_EQ(PrintfDirectives(e.msgstr), PrintfDirectives(e.msgid)) << where;
            EXPECT_EQ(Count(e.msgstr, '\n'), Count(e.msgid, '\n')) << where;
            EXPECT_EQ(Count(e.msgstr, '&'), Count(e.msgid, '&')) << where;
            EXPECT_EQ(e.msgstr.find('\t'), std::string::npos) << where;
        }
    }
}

TEST(Catalogs, TheTemplateKnowsTheProgramsMultiLineTexts) {
    std::set<std::string> ids;
    for (const PoEntry& e : ReadPo(Template())) ids.insert(e.msgid);
    EXPECT_EQ(ids.count("The project is unsaved, you can continue to edit\n your project when you "
                        "open it next time, do you \nwant to save the project now?"),
              1u);
    EXPECT_EQ(ids.count("Application have crashed due to some unknown reasons,\nPlease email the "
                        "zip crashing report file that is generated in \n%s\n to us."),
              1u);
    for (const char* id : {"Delay ", "sec ", "Image files ", "Loading images....",
                           "Saving images....", "&Insert Image", "&Delete"})
        EXPECT_EQ(ids.count(id), 1u) << '"' << id << '"';
}

}  // namespace
