// The real program in its real window on a private X server, used with real
// pointer and key events, against a vendor server on loopback.
#include <X11/cursorfont.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "vendor_server.h"
#include "virtual_display.h"

namespace {

using namespace std::chrono_literals;

const std::string kDialogTitle = "Download the Zanq Play Bundle";
const std::string kQuestionTitle = "The download is complete:";
const std::string kQuestionText = "Would you like to install the Zanq Play Bundle now?";
const std::string kFailureTitle = "Download failed:";
const std::string kFailureText =
    "The download of the Zanq Play Bundle failed. Please check your internet connection and try again.";

constexpr int kPictureWidth = 619;
constexpr int kPictureHeight = 300;
constexpr Point kHotSpot{300, 210};
// The Cancel button's middle, and a box around the status text line (above
// the progress bar, below the painted button), in client pixels.
constexpr Point kCancelButton{546, 266};
constexpr int kStatusLeft = 280, kStatusTop = 232, kStatusRight = 505, kStatusBottom = 253;

std::string ReadFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Le32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

// The dialog's picture, read straight from its file: 24 bits per pixel,
// uncompressed, rows stored bottom-up and padded to four bytes.
Image ExpectedPicture() {
    const std::string file = ReadFile(ZANQ_BACKGROUND_BMP);
    if (file.size() < 54 || file.compare(0, 2, "BM") != 0) throw std::runtime_error("not a bitmap: " ZANQ_BACKGROUND_BMP);
    const auto width = static_cast<int>(Le32(file, 18)), height = static_cast<int>(Le32(file, 22));
    const std::size_t pixelsAt = Le32(file, 10);
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    if ((Le32(file, 28) & 0xFFFF) != 24 || file.size() < pixelsAt + stride * static_cast<std::size_t>(height)) {
        throw std::runtime_error("unexpected bitmap layout: " ZANQ_BACKGROUND_BMP);
    }
    Image image{width, height, {}};
    for (int y = 0; y < height; ++y) {
        const std::size_t row = pixelsAt + stride * static_cast<std::size_t>(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const std::size_t p = row + static_cast<std::size_t>(x) * 3;
            image.pixels.push_back(Rgb{static_cast<std::uint8_t>(file[p + 2]), static_cast<std::uint8_t>(file[p + 1]),
                                       static_cast<std::uint8_t>(file[p])});
        }
    }
    return image;
}

int CountDifferences(const Image& a, const Image& b) {
    int differences = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i) differences += a.pixels[i] == b.pixels[i] ? 0 : 1;
    return differences;
}

// Anything but a blank area: the window has been drawn.
bool Drawn(const Image& image) {
    for (const Rgb& p : image.pixels) {
        if (!(p == image.pixels.front())) return true;
    }
    return false;
}

class DownloaderWindow : public ::testing::Test {
protected:
    TempDir temp;
    VirtualDisplay screen;
    std::unique_ptr<VendorServer> vendor;
    std::unique_ptr<ChildProcess> program;
    VirtualDisplay::Window dialog = 0;
    Point origin;

    std::filesystem::path installerLog() const { return temp.path() / "installer.log"; }
    std::filesystem::path programOutput() const { return temp.path() / "program.out"; }

    void StartVendor(std::size_t installerSize, std::size_t bytesPerSecond) {
        vendor = std::make_unique<VendorServer>(installerLog(), installerSize, bytesPerSecond);
    }

    // Starts the program with the vendor server as its HTTP proxy (or a
    // port where nothing listens) and waits for its dialog.
    void StartProgram(int proxyPort) {
        std::filesystem::create_directories(temp.path() / "tmp");
        const std::string tmp = (temp.path() / "tmp").string();
        const std::string proxy = "http://127.0.0.1:" + std::to_string(proxyPort);
        program = std::make_unique<ChildProcess>(
            std::vector<std::string>{ZANQ_PROGRAM},
            EnvChanges{{"DISPLAY", screen.name()},
                       {"ZANQ_UI", "x11"},
                       {"TMPDIR", tmp},
                       {"TMP", tmp},
                       {"TEMP", tmp},
                       {"http_proxy", proxy},
                       {"HTTP_PROXY", proxy},
                       {"no_proxy", std::nullopt},
                       {"NO_PROXY", std::nullopt}},
            programOutput());
        auto found = screen.WaitForWindow(kDialogTitle, 15s);
        ASSERT_TRUE(found) << "no dialog; program said:\n" << ReadFile(programOutput());
        dialog = *found;
        origin = screen.Origin(dialog);
        ASSERT_TRUE(WaitUntil([&] { return Drawn(GrabClient()); }, 5s)) << "the dialog stays blank";
    }

    void MoveTo(Point client) { screen.MovePointer(origin.x + client.x, origin.y + client.y); }
    void ClickAt(Point client) {
        MoveTo(client);
        std::this_thread::sleep_for(50ms);
        screen.Click();
    }
    Image GrabClient() { return screen.Grab(origin.x, origin.y, kPictureWidth, kPictureHeight); }

    // Whatever the program shows equals the picture alone.
    bool ShowsPictureOnly(const Image& picture) {
        return WaitUntil([&] { return CountDifferences(GrabClient(), picture) == 0; }, 5s);
    }

    // The box takes the keyboard when it comes up; no window manager helps.
    void AnswerWithEnter(VirtualDisplay::Window box) {
        ASSERT_TRUE(WaitUntil([&] { return screen.FocusedWindow() == box; }, 5s)) << "the box has no keyboard focus";
        screen.PressKey("Return");
    }

    void SaveScreen(const std::string& name) {
        if (const char* dir = std::getenv("ZANQ_E2E_SCREENS")) screen.Grab(0, 0, 1024, 768).SavePpm(std::filesystem::path(dir) / (name + ".ppm"));
    }

    void ExpectExitsWithZero() {
        ASSERT_TRUE(program);
        const auto code = program->WaitExit(15s);
        ASSERT_TRUE(code) << "the program did not end; it said:\n" << ReadFile(programOutput());
        EXPECT_EQ(*code, 0) << ReadFile(programOutput());
    }
};

TEST_F(DownloaderWindow, PressOnTheButtonDownloadsAsksAndEnterStartsTheInstaller) {
    StartVendor(256 * 1024, 0);
    StartProgram(vendor->port());
    ClickAt(kHotSpot);

    const auto question = screen.WaitForWindow(kQuestionTitle, 20s);
    ASSERT_TRUE(question) << ReadFile(programOutput());
    SaveScreen("question");
    EXPECT_EQ(screen.TextProperty(*question, "_ZANQ_TEXT"), kQuestionText);
    EXPECT_EQ(screen.TransientFor(*question), dialog) << "the question is not owned by the dialog";
    EXPECT_EQ(vendor->installerRequests(), 1);
    EXPECT_EQ(vendor->bytesSent(), vendor->installerSize());
    AnswerWithEnter(*question);

    ExpectExitsWithZero();
    // The installer runs detached; it may finish after the program.
    EXPECT_TRUE(WaitUntil([&] { return ReadFile(installerLog()) == "/VKOAD\n"; }, 5s))
        << "installer log: " << ReadFile(installerLog());
    EXPECT_EQ(vendor->hints(), (std::vector<std::string>{"vkozanqappdl10", "vkozanqappinstplay10"}));
    EXPECT_FALSE(screen.HasWindow(kDialogTitle));
}

TEST_F(DownloaderWindow, PictureSitsAtTheTopLeftAndTheCursorFollowsTheHotSpot) {
    StartVendor(1024, 0);
    StartProgram(vendor->port());
    // Laid out in dialog units, the client area comes out at the picture's
    // size, give or take the rounding of one pixel.
    const Point size = screen.Size(dialog);
    EXPECT_TRUE(size.x >= kPictureWidth && size.x <= kPictureWidth + 1) << size.x;
    EXPECT_TRUE(size.y >= kPictureHeight && size.y <= kPictureHeight + 1) << size.y;
    EXPECT_TRUE(ShowsPictureOnly(ExpectedPicture())) << "the client area is not the picture at its top-left";
    // A frame with caption, window menu, close and minimise boxes, and no
    // maximise box or sizing border, as far as the window manager is told.
    const long kMoveMinimizeClose = 4 | 8 | 32, kBorderTitleMenuMinimize = 2 | 8 | 16 | 32;
    EXPECT_EQ(screen.CardinalProperty(dialog, "_MOTIF_WM_HINTS", 3),
              (std::vector<long>{1 | 2, kMoveMinimizeClose, kBorderTitleMenuMinimize}));
    // The program's icon, its largest image (48 x 48) first.
    EXPECT_TRUE(WaitUntil([&] { return screen.HasProperty(dialog, "_NET_WM_ICON"); }, 2s)) << "no window icon";
    EXPECT_EQ(screen.CardinalProperty(dialog, "_NET_WM_ICON", 2), (std::vector<long>{48, 48}));

    const PointerImage hand = screen.FontCursor(XC_hand2);
    const PointerImage arrow = screen.FontCursor(XC_left_ptr);
    ASSERT_NE(hand, arrow);
    struct Case {
        Point at;
        bool inside;
    };
    const Case cases[] = {{{280, 202}, true}, {{20, 20}, false},  {{395, 224}, true},
                          {{396, 210}, false}, {{300, 210}, true}, {{300, 225}, false}};
    for (const Case& c : cases) {
        MoveTo(c.at);
        const PointerImage& expected = c.inside ? hand : arrow;
        EXPECT_TRUE(WaitUntil([&] { return screen.CurrentCursor() == expected; }, 5s))
            << "at " << c.at.x << "," << c.at.y << " expected the " << (c.inside ? "hand" : "arrow");
    }

    // Escape is not a way out; Alt+F4 is (and so is the close box, below).
    ASSERT_TRUE(WaitUntil([&] { return screen.FocusedWindow() == dialog; }, 5s)) << "the dialog has no keyboard focus";
    screen.PressKey("Escape");
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(screen.HasWindow(kDialogTitle));
    EXPECT_TRUE(program->Running());
    screen.PressKeyWith("Alt_L", "F4");
    ExpectExitsWithZero();
    EXPECT_EQ(vendor->installerRequests(), 0);
}

TEST_F(DownloaderWindow, CancelDuringASlowDownloadHidesTheProgressAndAsksNothing) {
    StartVendor(4 * 1024 * 1024, 128 * 1024);
    StartProgram(vendor->port());
    const Image picture = GrabClient();
    ClickAt(kHotSpot);
    ASSERT_TRUE(WaitUntil([&] { return vendor->bytesSent() > 64 * 1024; }, 10s));
    // The status text: white, over the picture, with no background of its own.
    const auto whitePixels = [&](const Image& image) {
        int count = 0;
        for (int y = kStatusTop; y <= kStatusBottom; ++y) {
            for (int x = kStatusLeft; x <= kStatusRight; ++x) {
                const Rgb p = image.At(x, y);
                count += p.r > 240 && p.g > 240 && p.b > 240 ? 1 : 0;
            }
        }
        return count;
    };
    EXPECT_TRUE(WaitUntil([&] { return whitePixels(GrabClient()) > 40; }, 5s)) << "no white text in the status line";
    SaveScreen("downloading");
    const Image shown = GrabClient();
    int changed = 0, total = 0;
    for (int y = kStatusTop; y <= kStatusBottom; ++y) {
        for (int x = kStatusLeft; x <= kStatusRight; ++x) {
            const Rgb before = picture.At(x, y), now = shown.At(x, y);
            ++total;
            if (now == before) continue;
            ++changed;
            EXPECT_TRUE(now.r >= before.r && now.g >= before.g && now.b >= before.b)
                << "status text pixel at " << x << "," << y << " is darker than the picture";
        }
    }
    EXPECT_LT(changed, total / 2) << "the status line paints a background";
    EXPECT_GT(CountDifferences(shown, picture), changed) << "progress bar and Cancel are not shown";

    ClickAt(kCancelButton);
    EXPECT_TRUE(ShowsPictureOnly(picture)) << "the progress controls are still shown after Cancel";
    EXPECT_TRUE(WaitUntil([&] { return vendor->installerAborted(); }, 5s)) << "the transfer went on";

    // A new press downloads again; this time Cancel by its mnemonic, Alt+C.
    std::this_thread::sleep_for(600ms);
    ClickAt(kHotSpot);
    ASSERT_TRUE(WaitUntil([&] { return vendor->installerRequests() == 2; }, 10s)) << "no second download";
    EXPECT_TRUE(WaitUntil([&] { return whitePixels(GrabClient()) > 40; }, 5s)) << "no status line the second time";
    screen.PressKeyWith("Alt_L", "c");
    EXPECT_TRUE(ShowsPictureOnly(picture)) << "Alt+C did not cancel";

    std::this_thread::sleep_for(1s);
    EXPECT_FALSE(screen.HasWindow(kQuestionTitle));
    EXPECT_FALSE(screen.HasWindow(kFailureTitle));
    EXPECT_LT(vendor->bytesSent(), 2 * vendor->installerSize());
    EXPECT_TRUE(program->Running());
    screen.RequestClose(dialog);
    ExpectExitsWithZero();
}

TEST_F(DownloaderWindow, ServerDownShowsTheFailureMessage) {
    int closedPort = 0;
    {
        VendorServer gone(installerLog(), 1024, 0);
        closedPort = gone.port();
    }
    StartProgram(closedPort);
    const Image picture = GrabClient();
    ClickAt(kHotSpot);

    const auto failure = screen.WaitForWindow(kFailureTitle, 20s);
    ASSERT_TRUE(failure) << ReadFile(programOutput());
    SaveScreen("failure");
    EXPECT_EQ(screen.TextProperty(*failure, "_ZANQ_TEXT"), kFailureText);
    EXPECT_EQ(screen.TransientFor(*failure), dialog) << "the failure message is not owned by the dialog";
    AnswerWithEnter(*failure);
    EXPECT_TRUE(WaitUntil([&] { return !screen.HasWindow(kFailureTitle); }, 5s));
    EXPECT_TRUE(ShowsPictureOnly(picture)) << "the progress controls are still shown after the failure";
    EXPECT_FALSE(screen.HasWindow(kQuestionTitle));

    // The dialog takes input again once the box is gone: a new press tries
    // again. (Waited for, so that it is not the second half of a double click.)
    std::this_thread::sleep_for(600ms);
    ClickAt(kHotSpot);
    const auto again = screen.WaitForWindow(kFailureTitle, 20s);
    ASSERT_TRUE(again) << "a press after the failure did nothing; program said:\n" << ReadFile(programOutput());
    AnswerWithEnter(*again);
    EXPECT_TRUE(WaitUntil([&] { return !screen.HasWindow(kFailureTitle); }, 5s));
    screen.RequestClose(dialog);
    ExpectExitsWithZero();
}

// Without a display the program says so in one line and fails.
TEST(DownloaderWithoutDisplay, SaysSoInOneLineAndExitsNonZero) {
    TempDir temp;
    const std::filesystem::path output = temp.path() / "program.out";
    for (const std::optional<std::string>& display : {std::optional<std::string>{}, std::optional<std::string>{":4093"}}) {
        std::filesystem::remove(output);
        ChildProcess program({ZANQ_PROGRAM}, EnvChanges{{"DISPLAY", display}, {"ZANQ_UI", std::nullopt}}, output);
        const auto code = program.WaitExit(10s);
        ASSERT_TRUE(code) << "DISPLAY=" << display.value_or("(unset)");
        EXPECT_NE(*code, 0) << "DISPLAY=" << display.value_or("(unset)");
        const std::string said = ReadFile(output);
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
}

}  // namespace
