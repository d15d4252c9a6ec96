// The instance object's defaults, with windows and printers: a plug-in class of the tests'
// own, made through the framework's factories.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <QImage>
#include <QWidget>

#include "control-plugin/framework/NsxApp.h"
#include "control-plugin/framework/NsxPluginFactory.h"
#include "control-plugin/tests/TestPlugin.h"
#include "testing/NpapiHost.h"
#include "testing/QtTestApp.h"

namespace control_plugin_test {
namespace {

using testing_support::NpapiHost;

class NsxInstance : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        ASSERT_EQ(GetPluginApp()->GetEntryPoints(&funcs_), NPERR_NO_ERROR);
    }

    // A new instance of the test class with these attributes.
    // As a browser passes an embed: its type first.
    TestPlugin* Make(NPP_t& npp, std::vector<std::string> attributes = {}) {
        attributes.insert(attributes.begin(), {"type", "application/x-test"});
        std::vector<char*> argn;
        std::vector<char*> argv;
        for (std::size_t i = 0; i + 1 < attributes.size(); i += 2) {
            argn.push_back(attributes[i].data());
            argv.push_back(attributes[i + 1].data());
        }
        const NPError result =
            funcs_.newp(const_cast<char*>("application/x-test"), &npp, NP_EMBED,
                        static_cast<std::int16_t>(argn.size()), argn.data(), argv.data(), nullptr);
        EXPECT_EQ(result, NPERR_NO_ERROR);
        return static_cast<TestPlugin*>(npp.pdata);
    }
    NPError SetWindow(NPP_t& npp, QWidget* window) {
        NPWindow record;
        record.window = window;
        return funcs_.setwindow(&npp, &record);
    }

    CNsxPluginFactory factory_{&CreateNsxPlugin<TestPlugin>, "application/x-test"};
    NPPluginFuncs funcs_;
};

TEST_F(NsxInstance, HiddenKeepsTheWindowAsTheBrowserMadeIt) {
    struct Case {
        std::vector<std::string> attributes;
        bool visible;
    };
    const Case cases[] = {
        {{}, true},
        {{"hidden", "FALSE"}, true},
        {{"HIDDEN", "no"}, false},
        {{"hidden", ""}, false},
        {{"hidden", "true", "hidden", "false"}, false},
    };
    for (const Case& c : cases) {
        NPP_t npp;
        TestPlugin* plugin = Make(npp, c.attributes);
        ASSERT_NE(plugin, nullptr);
        QWidget window;
        window.resize(40, 30);
        EXPECT_EQ(SetWindow(npp, &window), NPERR_NO_ERROR);
        EXPECT_EQ(window.isVisible(), c.visible) << c.attributes.size();
        const std::uint32_t style = platform::GetWindowStyle(&window);
        EXPECT_EQ(style & 0x02010000u, 0x02010000u);
        EXPECT_EQ(plugin->GetSafeHwnd(), &window);
        funcs_.destroy(&npp, nullptr);
    }
}

TEST_F(NsxInstance, SetWindowAttachesRedrawsAndDetaches) {
    QWidget page;
    page.resize(200, 100);
    // The page answers its children's background question with a red brush.
    static const platform::SolidBrush red{platform::RGB(255, 0, 0)};
    auto pageHold = platform::Window::Attach(&page);
    platform::LPARAM asker = 0;
    pageHold->AddHandler([&](const platform::Message& m) {
        if (m.id != platform::WM_CTLCOLORSTATIC) return false;
        asker = m.lParam;
        platform::SetMessageResult(&page, reinterpret_cast<platform::LRESULT>(&red));
        return true;
    });
    auto* first = new QWidget(&page);
    auto* second = new QWidget(&page);
    first->setGeometry(0, 0, 50, 40);
    second->setGeometry(60, 0, 50, 40);
    page.show();
    NpapiHost::Pump();

    NPP_t npp;
    TestPlugin* plugin = Make(npp);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(SetWindow(npp, first), NPERR_NO_ERROR);
    EXPECT_EQ(plugin->calls, std::vector<std::string>{"attach"});
    EXPECT_EQ(platform::RedrawCount(first), 1);
    EXPECT_EQ(asker, reinterpret_cast<platform::LPARAM>(first));
    EXPECT_EQ(first->grab().toImage().pixel(25, 20), qRgb(255, 0, 0));

    // The same window again only redraws, at once.
    const std::size_t draws = plugin->drawnOn.size();
    EXPECT_EQ(SetWindow(npp, first), NPERR_NO_ERROR);
    EXPECT_EQ(plugin->calls, std::vector<std::string>{"attach"});
    EXPECT_EQ(platform::RedrawCount(first), 2);
    EXPECT_EQ(platform::LastRedrawFlags(first), 0x585u);
    EXPECT_GT(plugin->drawnOn.size(), draws);

    // Another window: the old one is let go first.
    EXPECT_EQ(SetWindow(npp, second), NPERR_NO_ERROR);
    EXPECT_EQ(plugin->calls, (std::vector<std::string>{"attach", "detach", "attach"}));
    EXPECT_EQ(plugin->GetSafeHwnd(), second);
    EXPECT_EQ(platform::RedrawCount(second), 1);
    // No window: detached; again no window: nothing.
    EXPECT_EQ(SetWindow(npp, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(funcs_.setwindow(&npp, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(plugin->calls, (std::vector<std::string>{"attach", "detach", "attach", "detach"}));
    EXPECT_EQ(plugin->GetSafeHwnd(), nullptr);

    // A handle that is no window is not taken.
    int notAWindow = 0;
    NPWindow bogus;
    bogus.window = &notAWindow;
    EXPECT_EQ(funcs_.setwindow(&npp, &bogus), NPERR_NO_ERROR);
    EXPECT_EQ(plugin->GetSafeHwnd(), nullptr);
    // Destroy detaches a live window.
    EXPECT_EQ(SetWindow(npp, first), NPERR_NO_ERROR);
    plugin->calls.clear();
    delete second;
    funcs_.destroy(&npp, nullptr);
}

TEST_F(NsxInstance, PrintFindsThePrinterInTheRecord) {
    NPP_t npp;
    TestPlugin* plugin = Make(npp);
    ASSERT_NE(plugin, nullptr);
    QImage paper(100, 100, QImage::Format_RGB32);
    platform::DrawContext printer(paper, platform::DT_RASPRINTER);
    QImage other(10, 10, QImage::Format_RGB32);
    platform::DrawContext elsewhere(other, platform::DT_RASPRINTER);

    // Full page: the browser prints, nothing is drawn.
    NPPrint full;
    full.mode = NP_FULL;
    full.print.fullPrint.pluginPrinted = true;
    full.print.fullPrint.platformPrint = &printer;
    funcs_.print(&npp, &full);
    EXPECT_FALSE(full.print.fullPrint.pluginPrinted);
    EXPECT_TRUE(plugin->drawnOn.empty());

    const auto embedded = [](NPWindowType type, platform::DrawContext* handle) {
        NPPrint print;
        print.mode = NP_EMBED;
        NPWindow& window = print.print.embedPrint.window;
        window.x = 10;
        window.y = 20;
        window.width = 30;
        window.height = 40;
        window.type = type;
        print.print.embedPrint.platformPrint = handle;
        return print;
    };
    // A record with the window type: the printer follows it.
    for (NPWindowType type : {NPWindowTypeWindow, NPWindowTypeDrawable}) {
        NPPrint print = embedded(type, &printer);
        funcs_.print(&npp, &print);
        ASSERT_FALSE(plugin->drawnOn.empty());
        EXPECT_EQ(plugin->drawnOn.back(), &printer);
        EXPECT_EQ(plugin->drawnIn.back(), (Rect{10, 20, 40, 60}));
    }
    // One without it: the printer is the word after the clip rectangle.
    NPPrint old = embedded(NPWindowTypeWindow, &elsewhere);
    platform::DrawContext* handle = &printer;
    std::memcpy(&old.print.embedPrint.window.type, &handle, sizeof handle);
    funcs_.print(&npp, &old);
    EXPECT_EQ(plugin->drawnOn.back(), &printer);
    // No printer at all: nothing is drawn.
    const std::size_t draws = plugin->drawnOn.size();
    NPPrint none = embedded(NPWindowTypeDrawable, nullptr);
    funcs_.print(&npp, &none);
    funcs_.print(&npp, nullptr);
    EXPECT_EQ(plugin->drawnOn.size(), draws);
    funcs_.destroy(&npp, nullptr);
}

}  // namespace
}  // namespace control_plugin_test
