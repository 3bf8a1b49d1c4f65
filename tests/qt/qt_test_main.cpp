// The Qt tests' entry: Qt's application object lives while the tests run (not while they are only
// listed), on the offscreen platform unless QT_QPA_PLATFORM names another.
#include <gtest/gtest.h>

#include <memory>

#include "gui/qt_application.h"

namespace {

class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override { session_ = std::make_unique<tessaline::GuiSession>(); }
    void TearDown() override { session_.reset(); }

private:
    std::unique_ptr<tessaline::GuiSession> session_;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new GuiEnvironment);  // gtest owns its environments
    return RUN_ALL_TESTS();
}
