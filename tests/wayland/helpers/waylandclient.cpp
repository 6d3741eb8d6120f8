// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A native Wayland client for the compositor tests: `tiled` ordinary top-level windows,
// `floating` windows of a fixed size (which a tiling compositor floats), and one more
// top-level that is created and never shown, so never reaches the compositor. Its
// windows are titled "<prefix> 1", "<prefix> 2"... and it runs until it is ended.
// Usage: pelorus_wayland_testclient TILED FLOATING [PREFIX]
#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <vector>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "wayland");
    QApplication application(argc, argv);
    // The compositor's app_id of every window.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.pelorus.testclient"));
    const int tiled = argc > 1 ? std::atoi(argv[1]) : 1;
    const int floating = argc > 2 ? std::atoi(argv[2]) : 0;
    const QString prefix = argc > 3 ? QString::fromLocal8Bit(argv[3]) : QStringLiteral("window");

    std::vector<std::unique_ptr<QWidget>> windows;
    for (int i = 0; i < tiled + floating; ++i) {
        auto window = std::make_unique<QWidget>();
        window->setWindowTitle(prefix + QLatin1Char(' ') + QString::number(i + 1));
        if (i >= tiled)
            window->setFixedSize(200, 150);
        window->show();
        windows.push_back(std::move(window));
    }
    QWidget neverShown;
    neverShown.setWindowTitle(prefix + QStringLiteral(" never shown"));
    return QApplication::exec();
}
