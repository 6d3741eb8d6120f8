// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <QApplication>
#include <clocale>

#include "app/frmmain.h"
#include "platform/platform.h"
#include "resources/version.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const auto& version = pelorus::resources::ProgramVersionBlock();
    QApplication::setApplicationName(QString::fromStdString(version.productName));
    QApplication::setApplicationVersion(QString::fromStdString(version.fileVersion));
    // Lower-casing follows the rules of the user's locale.
    std::setlocale(LC_ALL, "");

    const auto platform = pelorus::platform::makeNativePlatform();
    pelorus::app::frmMain form(*platform);
    form.Form_Load();
    form.show();
    return QApplication::exec();
}
