// The Qt tests' entry: Qt's application object (with widgets, for the window's tests) lives while
// the tests run (not while they are only listed), on the offscreen platform unless QT_QPA_PLATFORM
// names another.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

namespace {

class GuiEnvironment : public testing::Environment {
public:
    void SetUp() override {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        application_ = std::make_unique<QApplication>(argumentCount_, arguments_);
    }
    void TearDown() override { application_.reset(); }

private:
    int argumentCount_ = 1;
    char programName_[16] = "tessaline-tests";
    char* arguments_[2] = {programName_, nullptr};
    std::unique_ptr<QApplication> application_;
};

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    testing::AddGlobalTestEnvironment(new GuiEnvironment);  // gtest owns its environments
    return RUN_ALL_TESTS();
}
