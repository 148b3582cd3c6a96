#include <gtest/gtest.h>

#include <QApplication>

// The widgets need one application object that outlives every test and goes before Qt's own
// globals; the offscreen platform lets the tests run without a display.
int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
