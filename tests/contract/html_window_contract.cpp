#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "contract.h"
#include "platform/desktop.h"

namespace {

class CountingHandler final : public ui::WindowHandler {
public:
    std::string getLocale() override { return "en"; }
    void onClose() override { ++closes; }
    std::atomic<int> closes{0};
};

std::unique_ptr<platform::HtmlWindow> newWindow() { return platform::machine().desktop().createHtmlWindow(); }

TEST(HtmlWindowContract, AWindowExistsFromItsFirstLoadUntilItIsDestroyed) {
    auto window = newWindow();
    EXPECT_FALSE(window->exists());
    EXPECT_EQ(window->windowRect(), platform::Rect{});
    window->setTitle("before");  // nothing to act on yet
    EXPECT_THROW(window->execScript("1"), std::logic_error);

    CountingHandler handler;
    window->load("about:blank", handler);
    ASSERT_TRUE(window->exists());
    window->setSize(400, 300);
    window->move(20, 30);
    EXPECT_EQ(window->windowRect(), (platform::Rect{20, 30, 420, 330}));
    EXPECT_GT(window->parentRect().width(), 400);
    window->setVisible(true);
    window->setVisible(false);

    window->destroy();
    EXPECT_FALSE(window->exists());
    EXPECT_EQ(window->windowRect(), platform::Rect{});
    window->destroy();  // twice is harmless
}

TEST(HtmlWindowContract, TheCloseCommandReachesTheHandlerAndKeepsTheWindow) {
    auto window = newWindow();
    CountingHandler handler;
    window->load("about:blank", handler);
    window->sendClose();
    EXPECT_EQ(handler.closes.load(), 1);
    EXPECT_TRUE(window->exists());
    window->destroy();
    window->sendClose();
    EXPECT_EQ(handler.closes.load(), 1) << "a destroyed window no longer calls its handler";
}

}  // namespace
