// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The floor of the viewer's start-up: a Qt 6 program that reads /proc the cheapest way,
// fills one list with a row per process (at most 2,048) and shows it.
#include <QApplication>
#include <QTreeWidget>

#include "bench/floors/minimalfill.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QTreeWidget list;
    pelorus::bench::setUpMinimalList(list);
    pelorus::bench::fillMinimalList(list, pelorus::bench::readFloorProcesses(2048));
    list.resize(640, 480);
    list.show();
    return QApplication::exec();
}
