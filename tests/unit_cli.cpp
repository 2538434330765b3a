// loopwright-cli as scripts run it, without a display: the GIF it writes as a
// decoder we did not write reads it, and the exit status and message of bad
// input and bad command lines, which leave no file behind.
#include "support/gif_decode.h"
#include "support/pictures.h"
#include "support/synthetic_pictures.h"
#include "support/test_support.h"

#include "base/filenames.h"
#include "gif/captions.h"
#include "gif/export.h"
#include "project/projectfile.h"

#include <gtest/gtest.h>

#include <map>

#include <unistd.h>

namespace {

// No display of any kind: the command must not need one.
const std::map<std::string, std::string> kNoDisplay{{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}};

lwtest::ProcessResult Cli(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), LW_CLI);
    return lwtest::RunProcess(arguments, kNoDisplay, std::chrono::minutes(2));
}

// Frame count, size, loop and each frame's duration as Pillow reads them.
std::string PillowFacts(const std::string& gif) {
    const char* script =
        "import sys\nfrom PIL import Image\nim = Image.open(sys.argv[1])\n"
        "d = []\nfor i in range(im.n_frames):\n    im.seek(i)\n    "
        "d.append(im.info.get('duration'))\n"
        "print(im.n_frames, im.size, im.info.get('loop'), d)\n";
    return lwtest::RunProcess({"/usr/bin/python3", "-c", script, gif}).out;
}

// The loop the GIF writer stores for an animation that plays passes times.
std::string WriterLoopFor(int passes, const std::string& folder) {
    GifExportJob job;
    job.path = folder + "/reference.gif";
    job.frameCount = 1;
    job.canvasWidth = job.canvasHeight = 4;
    job.loopCount = passes;
    WriteGifAnimation(
        job, [](int) { return std::make_unique<wxImage>(4, 4); }, [](int) { return true; });
    const std::string facts = PillowFacts(job.path.ToStdString());
    wxRemoveFile(job.path);
    return facts.substr(facts.find(')') + 2, facts.rfind(' ') - facts.find(')') - 2);
}

TEST(Cli, PicturesBecomeAGifWithTheDelayLoopAndCanvasAsked) {
    const std::string dir = lwtest::MakeTempDir("cli");
    lwtest::WritePicture(dir + "/a.png", 40, 30, *wxRED);
    lwtest::WritePicture(dir + "/b.png", 20, 10, *wxGREEN);
    lwtest::WritePicture(dir + "/c.png", 40, 30, *wxBLUE);
    auto run = Cli({dir + "/a.png", dir + "/b.png", dir + "/c.png", "-o", dir + "/x.gif", "--delay",
                    "20", "--loop", "3"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");  // standard error is no terminal: no progress
    const std::string loop = WriterLoopFor(3, dir);
    EXPECT_EQ(PillowFacts(dir + "/x.gif"), "3 (40, 30) " + loop + " [200, 200, 200]\n");

    // One side 0 follows the largest frame's aspect; a GIF gives all its frames.
    lwtest::WriteAnimatedGif(dir + "/anim.gif", 40, 30, {"red", "lime"});
    run = Cli({dir + "/anim.gif", dir + "/b.png", "-o", dir + "/y.gif", "--size", "80x0", "-q"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PillowFacts(dir + "/y.gif").substr(0, 11), "3 (80, 60) ");

    // On a terminal (script gives it one) a progress bar, cleared at the end.
    const std::string command =
        std::string(LW_CLI) + " " + dir + "/a.png " + dir + "/c.png -o " + dir + "/z.gif";
    run = lwtest::RunProcess({"/usr/bin/script", "-qec", command, "/dev/null"}, kNoDisplay);
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_NE(run.out.find("/2 frames"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - 4), "\r\033[K");
    EXPECT_EQ(lwtest::FolderContents(dir),
              (std::vector<std::string>{"a.png", "anim.gif", "b.png", "c.png", "x.gif", "y.gif",
                                        "z.gif"}));
}

TEST(Cli, InputThatCannotBeReadIsNamedAndWritesNothing) {
    const std::string dir = lwtest::MakeTempDir("cli-input");
    lwtest::WritePicture(dir + "/a.png", 8, 8, *wxRED);
    lwtest::WriteFile(dir + "/old.gif", "an earlier GIF");
    std::vector<std::string> bad = lwtest::WriteBrokenPictures(lwtest::MakeTempDir("cli-broken"));
    bad.insert(bad.end(), {dir + "/gone.png", dir});
    for (const std::string& input : bad) {
        const auto run = Cli({dir + "/a.png", input, "-o", dir + "/out.gif"});
        EXPECT_EQ(run.exitCode, 1) << input;
        EXPECT_NE(run.err.find(input + ": "), std::string::npos) << run.err;
        EXPECT_EQ(Cli({dir + "/a.png", input, "-o", dir + "/old.gif"}).exitCode, 1) << input;
    }
    const auto project = Cli({dir + "/none.xml"});
    EXPECT_EQ(project.exitCode, 1);
    EXPECT_NE(project.err.find("none.xml"), std::string::npos) << project.err;
    EXPECT_EQ(lwtest::ReadFile(dir + "/old.gif"), "an earlier GIF");
    EXPECT_EQ(lwtest::FolderContents(dir), (std::vector<std::string>{"a.png", "old.gif"}));
}

TEST(Cli, APictureReadOnlyInPartIsNamedAndFailsOnlyWhenStrict) {
    const std::string dir = lwtest::MakeTempDir("cli-partly");
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/convert", "-size", "64x48", "plasma:", dir + "/whole.jpg"}).exitCode, 0);
    lwtest::WriteAnimatedGif(dir + "/whole.gif", 8, 8, {"red", "lime", "blue"});
    for (const char* name : {"whole.jpg", "whole.gif"}) {
        const std::string bytes = lwtest::ReadFile(dir + "/" + name);
        const std::string cut = dir + "/cut-" + name;
        lwtest::WriteFile(cut, bytes.substr(0, bytes.size() * 2 / 3));
        // A memory setting that is no size is said once, and the default used.
        auto run = lwtest::RunProcess({LW_CLI, cut, "-o", dir + "/out.gif"},
                                      {{"DISPLAY", ""}, {"LOOPWRIGHT_FRAME_MEMORY", " 5M"}});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_NE(run.err.find(cut + ": is damaged"), std::string::npos) << run.err;
        const std::string said = "LOOPWRIGHT_FRAME_MEMORY=\" 5M\" is not a size";
        EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find(said), run.err.rfind(said));
        run = Cli({cut, "-o", dir + "/strict.gif", "--strict"});
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_FALSE(lwtest::FileExists(dir + "/strict.gif"));
        // Whole files say nothing.
        run = Cli({dir + "/" + name, "-o", dir + "/out.gif", "--strict"});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err.find("damaged"), std::string::npos) << run.err;
    }
    // A project's pictures are held to the same.
    lwtest::WriteFile(dir + "/p.xml", "<project><name/><gif><width>64</width><height>48</height><delay_time>9"
                                      "</delay_time></gif><images><path>cut-whole.jpg</path></images></project>");
    EXPECT_EQ(Cli({dir + "/p.xml", "-o", dir + "/p.gif"}).exitCode, 0);
    EXPECT_EQ(Cli({dir + "/p.xml", "-o", dir + "/p.gif", "--strict"}).exitCode, 1);
}

// File names are bytes: one that is not UTF-8 is read, written, kept in a
// project and named in a message as the system gives it.
TEST(Cli, FileNamesThatAreNotUtf8AreUsedAsTheyAre) {
    const std::string dir = lwtest::MakeTempDir("cli-bytes");
    const std::string picture = dir + "/\xe9t\xe9.png", out = dir + "/\xff.gif";
    lwtest::WritePicture(dir + "/a.png", 8, 8, *wxRED);
    ASSERT_EQ(::rename((dir + "/a.png").c_str(), picture.c_str()), 0);
    auto run = Cli({picture, "-o", out});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PillowFacts(out).substr(0, 9), "1 (8, 8) ");
    run = Cli({dir + "/gone\xe9.png", "-o", out});
    EXPECT_NE(run.err.find(dir + "/gone\xe9.png: no such file"), std::string::npos) << run.err;

    UseByteExactFileNames();
    ProjectContent content;
    content.gifName = FileNameFromBytes("\xfe.gif");
    content.width = content.height = 8;
    content.framePaths.Add(FileNameFromBytes(picture.c_str()));
    ASSERT_EQ(WriteProjectFile(FileNameFromBytes((dir + "/p\xe9.xml").c_str()), content),
              ProjectWriteStatus::Written);
    EXPECT_EQ(Cli({dir + "/p\xe9.xml", "-q"}).exitCode, 0);
    EXPECT_EQ(PillowFacts(dir + "/\xfe.gif").substr(0, 9), "1 (8, 8) ");
}

// A caption in the interface's scripts is drawn with real glyphs, over the
// pictures' lower part only.
TEST(Cli, ACaptionIsWrittenOnEveryFrameInAnyScript) {
    const std::string dir = lwtest::MakeTempDir("cli-caption");
    lwtest::WritePicture(dir + "/a.png", 320, 240, *wxBLUE);
    const std::string text = "\xe6\x97\xa5\xe6\x9c\xac\xe8\xaa\x9e test";
    EXPECT_EQ(CaptionMissingGlyphs(PlainCaption(wxString::FromUTF8(text), CaptionAnchor::Bottom, 240)), 0);
    EXPECT_GT(CaptionMissingGlyphs(PlainCaption(wxString::FromUTF8("\xf3\xb0\x80\x80"), CaptionAnchor::Bottom, 240)), 0);
    EXPECT_EQ(Cli({dir + "/a.png", dir + "/a.png", "-o", dir + "/plain.gif"}).exitCode, 0);
    for (const char* at : {"bottom", "top"}) {
        auto run = Cli({"--caption", text, "--caption-at", at, dir + "/a.png", dir + "/a.png", "-o", dir + "/c.gif"});
        EXPECT_EQ(run.exitCode, 0) << run.err;
        // Where frame 2 differs from the plain GIF's, as Pillow sees it.
        const char* script = "import sys\nfrom PIL import Image, ImageChops\na, b = Image.open(sys.argv[1]), "
                             "Image.open(sys.argv[2])\na.seek(1); b.seek(1)\n"
                             "print(ImageChops.difference(a.convert('RGB'), b.convert('RGB')).getbbox())\n";
        const std::string box =
            lwtest::RunProcess({"/usr/bin/python3", "-c", script, dir + "/plain.gif", dir + "/c.gif"}).out;
        int left = 0, top = 0, right = 0, bottom = 0;
        ASSERT_EQ(std::sscanf(box.c_str(), "(%d, %d, %d, %d)", &left, &top, &right, &bottom), 4) << box;
        EXPECT_GT(right - left, 100) << box;
        if (std::string(at) == "bottom") EXPECT_GT(top, 180) << box;
        else EXPECT_LT(bottom, 60) << box;
    }
    EXPECT_EQ(Cli({"--caption-at", "top", dir + "/a.png", "-o", dir + "/x.gif"}).exitCode, 2);
}

TEST(Cli, AMalformedLineExitsWith2AndWritesNothing) {
    const std::string dir = lwtest::MakeTempDir("cli-usage");
    const std::string a = dir + "/a.png", out = dir + "/out.gif";
    lwtest::WritePicture(a, 8, 8, *wxRED);
    const std::string link = lwtest::MakeTempDir("cli-link") + "/link.gif";
    ASSERT_EQ(::symlink(a.c_str(), link.c_str()), 0);
    const std::vector<std::vector<std::string>> lines{{},
                                                      {a},
                                                      {a, "-o"},
                                                      {a, "-o", out, "--delay", "-1"},
                                                      {a, "-o", out, "--delay", "65536"},
                                                      {a, "-o", out, "--loop", "0"},
                                                      {a, "-o", out, "--loop", "often"},
                                                      {a, "-o", out, "--size", "0x0"},
                                                      {a, "-o", out, "--size", "40"},
                                                      {a, "-o", out, "--bogus"},
                                                      {dir + "/p.xml", "--loop", "2"},
                                                      {a, dir + "/p.xml", "-o", out},
                                                      {a, "-o", a},
                                                      {a, "-o", dir + "/./a.png"},
                                                      {a, "-o", link},
                                                      {a, "-o", dir + "/"},
                                                      {a, "-o", dir},
                                                      {a, "-o", out, "--fps", "0"},
                                                      {a, "-o", out, "--start", "-1"},
                                                      {a, "-o", out, "--start", "2", "--end", "1.5"},
                                                      {a, "-o", out, "--webp-quality", "101"},
                                                      {a, "-o", out, "--colours", "1"},
                                                      {a, "-o", out, "--colors", "257"},
                                                      {a, "-o", out, "--dither", "wavy"},
                                                      {a, "-o", out, "--dither", "diffuse=101"},
                                                      {a, "-o", out, "--lossy", "101"},
                                                      {a, "-o", out, "--quality", "slow"},
                                                      {a, "-o", out, "--max-size", "0"},
                                                      {a, "-o", out, "--max-size", "1X"},
                                                      {a, "-o", out, "--max-size", "1M", "--levers", "lossy,lossy"},
                                                      {a, "-o", out, "--levers", "scale"},
                                                      {a, "-o", dir + "/out.webp", "--max-size", "1M"},
                                                      {a, "--estimate", "--max-size", "1M"},
                                                      {dir + "/p.xml", "--fps", "10"}};
    for (const auto& line : lines) {
        const auto run = Cli(line);
        EXPECT_EQ(run.exitCode, 2) << (line.empty() ? "" : line.back());
        // The error, then where to read more: not the whole usage.
        EXPECT_NE(run.err.find("Try 'loopwright-cli --help'."), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Usage:"), std::string::npos);
    }
    // An output that is an input, also by another name, leaves it untouched.
    EXPECT_EQ(lwtest::FolderContents(dir), std::vector<std::string>{"a.png"});
    wxImage kept(wxString::FromUTF8(a));
    EXPECT_EQ(kept.GetSize(), wxSize(8, 8));
    const auto help = Cli({"--help"}), version = Cli({"--version"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("--loop"), std::string::npos);
    EXPECT_NE(help.out.find("[PICTURE|VIDEO... | PROJECT.xml]"), std::string::npos) << help.out;
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_NE(version.out.find("1.0.80"), std::string::npos);
}

}  // namespace

namespace {

// PSNR of frame 0 of a GIF against a picture, as ImageMagick compares them.
double MagickPsnr(const std::string& gif, const std::string& reference) {
    const auto run = lwtest::RunProcess({"/usr/bin/compare", "-metric", "PSNR", gif + "[0]", reference, "null:"});
    return std::atof(run.err.c_str());
}

TEST(Cli, CropRotateFlipAndSizeDoWhatImageMagickDoes) {
    const std::string dir = lwtest::MakeTempDir("cli-edit");
    // Shapes that show a wrong crop, turn or mirror at once.
    lwtest::RunProcess({"/usr/bin/convert", "-size", "1920x1080", "gradient:red-blue", "-fill", "yellow", "-draw",
                        "circle 900,500 1000,640", "-fill", "white", "-draw", "rectangle 500,300 760,350",
                        dir + "/a.png"});
    const std::string reference = dir + "/ref.png";
    lwtest::RunProcess({"/usr/bin/convert", dir + "/a.png", "-crop", "960x540+480+270", "+repage", "-rotate", "90",
                        "-flop", "-resize", "270x", reference});
    auto run = Cli({"--crop", "960x540+480+270", "--rotate", "90", "--flip", "h", "--size", "270x0",
                    dir + "/a.png", dir + "/a.png", "-o", dir + "/out.gif"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PillowFacts(dir + "/out.gif").substr(0, 12), "2 (270, 480)");
    // Within the quantiser's error: a wrong turn or mirror gives about 10 dB.
    EXPECT_GT(MagickPsnr(dir + "/out.gif", reference), 35);

    // Geometry that is malformed or outside the pictures names the option and writes nothing.
    for (const char* crop : {"0x5+1+1", "100x100", "100x100+1900+0", "10x10+-1+0"}) {
        run = Cli({"--crop", crop, dir + "/a.png", "-o", dir + "/bad.gif"});
        EXPECT_EQ(run.exitCode, 2) << crop;
        EXPECT_NE(run.err.find("--crop"), std::string::npos) << run.err;
    }
    EXPECT_EQ(Cli({"--rotate", "45", dir + "/a.png", "-o", dir + "/bad.gif"}).exitCode, 2);
    EXPECT_EQ(Cli({"--flip", "x", dir + "/a.png", "-o", dir + "/bad.gif"}).exitCode, 2);
    EXPECT_FALSE(lwtest::FileExists(dir + "/bad.gif"));
}

}  // namespace

namespace {

// The timing options in their order on a GIF's own delays: ten frames of
// 10 cs, twice as fast (5), keep 1 of 2 (10 each), forth and back (3 more).
TEST(Cli, TimingOptionsWorkOnAGifsOwnDelays) {
    const std::string dir = lwtest::MakeTempDir("cli-timing");
    lwtest::WriteAnimatedGif(dir + "/a.gif", 8, 8,
                             {"red", "lime", "blue", "red", "lime", "blue", "red", "lime", "blue", "red"});
    auto run = Cli({"--speed", "200", "--reduce", "2", "--yoyo", dir + "/a.gif", "-o", dir + "/b.gif"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(PillowFacts(dir + "/b.gif").substr(0, 2), "8 ");
    EXPECT_NE(PillowFacts(dir + "/b.gif").find("[100, 100, 100, 100, 100, 100, 100, 100]"), std::string::npos);
    // Frames 3 to 5 the same: frame 3 keeps their three delays.
    lwtest::WriteAnimatedGif(dir + "/d.gif", 8, 8, {"red", "lime", "blue", "blue", "blue", "red"});
    run = Cli({"--dedupe", dir + "/d.gif", "-o", dir + "/e.gif"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Its delays are 0, played as 10: the kept frame gets the 30 they play.
    EXPECT_NE(PillowFacts(dir + "/e.gif").find("[0, 0, 300, 0]"), std::string::npos) << PillowFacts(dir + "/e.gif");
    for (const std::vector<std::string>& bad : std::vector<std::vector<std::string>>{
             {"--speed", "5"}, {"--reduce", "1"}, {"--dedupe=x"}, {"--dedupe=101"}}) {
        std::vector<std::string> line = bad;
        line.insert(line.end(), {dir + "/a.gif", "-o", dir + "/bad.gif"});
        EXPECT_EQ(Cli(line).exitCode, 2) << bad[0];
    }
    EXPECT_FALSE(lwtest::FileExists(dir + "/bad.gif"));
}

}  // namespace

namespace {

TEST(Cli, AVideoRangeBecomesTheFramesAskedInTheFormatTheNameSays) {
    const std::string dir = lwtest::MakeTempDir("cli-video");
    const std::string clip = dir + "/clip.mp4";
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/ffmpeg", "-v", "error", "-f", "lavfi", "-i",
                                  "testsrc2=size=640x360:rate=25", "-t", "6", "-pix_fmt", "yuv420p", "-c:v",
                                  "libx264", clip})
                  .exitCode,
              0);
    for (const char* name : {"/out.gif", "/out.webp", "/out.apng"}) {
        const auto run = Cli({clip, "--start", "1", "--end", "3", "--fps", "10", "-o", dir + name, "-q"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(lwtest::PillowTiming(dir + name), "20 (640, 360) [100]\n") << name;
    }
    // At WebP quality 100 every frame is kept exactly, as the APNG keeps it.
    ASSERT_EQ(Cli({clip, "--start", "1", "--end", "3", "--fps", "10", "--webp-quality", "100", "-o",
                   dir + "/exact.webp", "-q"})
                  .exitCode,
              0);
    const char* same =
        "import sys\nfrom PIL import Image, ImageChops\nA, B = Image.open(sys.argv[1]), Image.open(sys.argv[2])\n"
        "for i in range(A.n_frames):\n    A.seek(i); A.load(); B.seek(i); B.load()\n"
        "    print(ImageChops.difference(A.convert('RGB'), B.convert('RGB')).getbbox(), end=' ')\n";
    std::string unchanged;  // no frame has a box of differences
    for (int i = 0; i < 20; ++i) unchanged += "None ";
    EXPECT_EQ(lwtest::RunProcess({"/usr/bin/python3", "-c", same, dir + "/exact.webp", dir + "/out.apng"}).out,
              unchanged);
    // The first frame is the one ffmpeg shows at 1 s, within the palette's error.
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/ffmpeg", "-v", "error", "-ss", "1", "-i", clip, "-frames:v", "1",
                                  dir + "/at1.png"})
                  .exitCode,
              0);
    EXPECT_GT(MagickPsnr(dir + "/out.gif", dir + "/at1.png"), 30.0);
    // A phone's portrait video, stored sideways with a turn for the player, comes out upright as ffmpeg shows it.
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/ffmpeg", "-v", "error", "-i", clip, "-t", "1", "-c", "copy",
                                  "-metadata:s:v:0", "rotate=90", dir + "/phone.mp4"})
                  .exitCode,
              0);
    ASSERT_EQ(Cli({dir + "/phone.mp4", "-o", dir + "/phone.gif", "-q"}).exitCode, 0);
    ASSERT_EQ(lwtest::RunProcess({"/usr/bin/ffmpeg", "-v", "error", "-i", dir + "/phone.mp4", "-frames:v", "1",
                                  dir + "/upright.png"})
                  .exitCode,
              0);
    EXPECT_GT(MagickPsnr(dir + "/phone.gif", dir + "/upright.png"), 30.0);
    // A start past the end is said before anything is read, and nothing is written.
    const auto late = Cli({clip, "--start", "7", "-o", dir + "/late.gif"});
    EXPECT_EQ(late.exitCode, 1);
    EXPECT_NE(late.err.find("--start 7.000 s lies after the video's end (6.000 s)"), std::string::npos) << late.err;
    EXPECT_FALSE(lwtest::FileExists(dir + "/late.gif"));
}

}  // namespace

namespace {

TEST(Cli, CodingOptionsEstimateAndSizeLimitShapeTheGif) {
    const std::string dir = lwtest::MakeTempDir("cli-size");
    std::vector<std::string> line;
    for (int i = 0; i < 16; ++i) {
        const std::string path = dir + "/" + std::to_string(100 + i) + ".png";
        lwtest::SyntheticPicture(lwtest::PictureKind::Photo, 200, 150, unsigned(i)).SaveFile(path, wxBITMAP_TYPE_PNG);
        line.push_back(path);
    }
    auto run = [&](const std::string& out, std::vector<std::string> options) {
        options.insert(options.begin(), line.begin(), line.end());
        options.insert(options.end(), {"-o", dir + "/" + out});
        return Cli(options);
    };
    ASSERT_EQ(run("plain.gif", {}).exitCode, 0);
    const long long plain = static_cast<long long>(lwtest::ReadFile(dir + "/plain.gif").size());
    // The estimate writes nothing and lies near the size written.
    std::vector<std::string> estimate = line;
    estimate.push_back("--estimate");
    const auto guessed = Cli(estimate);
    EXPECT_EQ(guessed.exitCode, 0) << guessed.err;
    EXPECT_NEAR(std::atof(guessed.out.c_str()), double(plain), 0.15 * double(plain)) << guessed.out;
    // No colour table beyond the limit; lossy coding shrinks the file.
    ASSERT_EQ(run("sixteen.gif", {"--colours", "16", "--dither", "ordered"}).exitCode, 0);
    const lwtest::DecodedGif sixteen = lwtest::DecodeGif(lwtest::ReadFile(dir + "/sixteen.gif"));
    ASSERT_TRUE(sixteen.ok);
    EXPECT_LE(sixteen.globalTable.size(), 16u);
    for (const auto& frame : sixteen.frames) EXPECT_LE(frame.localTable.size(), 16u);
    ASSERT_EQ(run("lossy.gif", {"--lossy", "60"}).exitCode, 0);
    EXPECT_LT(lwtest::ReadFile(dir + "/lossy.gif").size(), size_t(plain));
    // Under half the size: at most the limit, not far below it, and it says what it gave up.
    const long long limit = plain / 2;
    const auto fitted = run("half.gif", {"--max-size", std::to_string(limit)});
    EXPECT_EQ(fitted.exitCode, 0) << fitted.err;
    const long long half = static_cast<long long>(lwtest::ReadFile(dir + "/half.gif").size());
    EXPECT_LE(half, limit);
    EXPECT_GE(half, limit / 2);  // how near on real corpora: bench/size_bench.sh
    EXPECT_NE(fitted.err.find("colours"), std::string::npos) << fitted.err;
    // A limit no GIF of these frames meets: exit 1, the smallest size named, nothing written.
    const auto impossible = run("none.gif", {"--max-size", "300", "--levers", "colours,lossy"});
    EXPECT_EQ(impossible.exitCode, 1);
    EXPECT_NE(impossible.err.find("the smallest reached is"), std::string::npos) << impossible.err;
    EXPECT_FALSE(wxFileExists(dir + "/none.gif"));
}

}  // namespace
