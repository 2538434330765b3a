#include "support/pictures.h"

#include "support/test_support.h"

#include <wx/filename.h>
#include <wx/image.h>

namespace lwtest {

void WritePicture(const std::string& path, int width, int height, const wxColour& colour) {
    if (path.size() > 4 && path.compare(path.size() - 4, 4, ".gif") == 0) {
        // The toolkit writes GIFs only from palette pictures.
        WriteAnimatedGif(path, width, height, {colour.GetAsString(wxC2S_CSS_SYNTAX).ToStdString()});
        return;
    }
    wxImage image(width, height);
    image.SetRGB(wxRect(0, 0, width, height), colour.Red(), colour.Green(), colour.Blue());
    ASSERT_TRUE(image.SaveFile(path)) << path;
}

void WritePictureWithHole(const std::string& path, int side) {
    wxImage picture(side, side);
    picture.SetRGB(wxRect(0, 0, side, side), 30, 160, 60);
    picture.InitAlpha();
    for (int y = side / 4; y < side * 3 / 4; ++y)
        for (int x = side / 4; x < side * 3 / 4; ++x) picture.SetAlpha(x, y, 0);
    ASSERT_TRUE(picture.SaveFile(path, wxBITMAP_TYPE_PNG)) << path;
}

void WriteAnimatedGif(const std::string& path, int width, int height,
                      const std::vector<std::string>& colours) {
    std::vector<std::string> argv = {"/usr/bin/convert", "-size",
                                     std::to_string(width) + "x" + std::to_string(height)};
    for (const auto& c : colours) argv.push_back("xc:" + c);
    argv.push_back(path);
    const ProcessResult result = RunProcess(argv);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

std::vector<std::string> WriteBrokenPictures(const std::string& folder) {
    std::vector<std::string> paths;
    auto add = [&](const std::string& name, const std::string& bytes) {
        paths.push_back(folder + "/" + name);
        WriteFile(paths.back(), bytes);
    };
    const std::string pngSignature = "\x89PNG\r\n\x1a\n";
    add("empty.png", "");
    add("empty.gif", "");
    add("text.jpg", "this is not a picture");
    add("signature-only.png", pngSignature);
    // A header that announces 100000 x 100000 pixels, and no data.
    add("enormous.png", pngSignature + std::string("\0\0\0\x0dIHDR\0\x01\x86\xa0\0\x01\x86\xa0\x08\x02\0\0\0", 21) +
                            std::string("\x27\x30\x9c\x9f", 4));
    add("truncated.gif", std::string("GIF89a\x0a\0\x0a\0\xf0\0\0", 13));
    // A screen of 65535 x 65535 with one image of that size and no data.
    add("enormous.gif", std::string("GIF89a\xff\xff\xff\xff\0\0\0", 13) +
                            std::string("\x2c\0\0\0\0\xff\xff\xff\xff\0\x08", 11));
    add("garbage.bmp", "BM" + std::string(60, '\xff'));
    add("truncated.jpg", std::string("\xff\xd8\xff\xe0\0\x10JFIF\0", 11));

    // A real picture cut in half.
    const std::string whole = folder + "/whole.png";
    WritePicture(whole, 64, 64, *wxRED);
    const std::string bytes = ReadFile(whole);
    wxRemoveFile(whole);
    add("half.png", bytes.substr(0, bytes.size() / 2));

    // A folder named like a picture.
    paths.push_back(folder + "/folder.png");
    wxFileName::Mkdir(paths.back());
    return paths;
}

}  // namespace lwtest
