// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <QApplication>
#include <clocale>
#include <cstdio>

#include "app/commandline.h"
#include "app/frmmain.h"
#include "app/session.h"
#include "platform/platform.h"
#include "resources/version.h"

int main(int argc, char** argv) {
    // Help and the version need no display, and an unknown option opens no window.
    using Request = pelorus::app::CommandLineRequest;
    switch (const Request request = pelorus::app::readCommandLine(argc, argv); request.kind) {
        case Request::Kind::Help:
            std::fputs(pelorus::app::usageText().c_str(), stdout);
            return 0;
        case Request::Kind::Version:
            std::fputs(pelorus::app::versionLine().c_str(), stdout);
            return 0;
        case Request::Kind::Unknown:
            std::fputs(pelorus::app::unknownArgumentLine(request.argument).c_str(), stderr);
            return 2;
        case Request::Kind::OpenWindow:
            break;
    }
    // Before Qt starts: with no place for the window, Qt would abort.
    const auto session = pelorus::app::chooseSession(
        pelorus::app::readSessionEnvironment(argc, argv), pelorus::platform::xDisplayAnswers,
        pelorus::platform::waylandSocketAnswers);
    if (!session.missing.empty()) {
        std::fputs(session.missing.c_str(), stderr);
        return 1;
    }
    if (!session.platform.empty())
        qputenv("QT_QPA_PLATFORM", session.platform.c_str());

    QApplication application(argc, argv);
    const auto& version = pelorus::resources::programVersionBlock();
    QApplication::setApplicationName(QString::fromStdString(version.productName));
    QApplication::setApplicationVersion(QString::fromStdString(version.fileVersion));
    // The desktop entry of the program: its name and icon in a Wayland session's panels.
    QGuiApplication::setDesktopFileName(QStringLiteral(PELORUS_DESKTOP_ID));
    // Lower-casing follows the rules of the user's locale.
    std::setlocale(LC_ALL, "");

    const auto platform = pelorus::platform::makeNativePlatform();
    pelorus::app::frmMain form(*platform);
    form.Form_Load();
    form.show();
    return QApplication::exec();
}
