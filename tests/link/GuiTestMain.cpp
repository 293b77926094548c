// Entry of the widget tests: one QApplication that outlives every test and dies before Qt's own statics.
#include <QApplication>
#include <QFont>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen"); // also when CTest only lists the tests
#ifdef _WIN32
    // Qt's offscreen platform looks for fonts beside Qt, Windows keeps them in its own folder.
    if (qEnvironmentVariableIsEmpty("QT_QPA_FONTDIR"))
        qputenv("QT_QPA_FONTDIR", qgetenv("WINDIR") + "\\Fonts");
#endif
    QApplication application(argc, argv);
#ifdef _WIN32
    QApplication::setFont(QFont(QStringLiteral("Tahoma"), 8)); // the font Windows gives dialogs
#endif
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
