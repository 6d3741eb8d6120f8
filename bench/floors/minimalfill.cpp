// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "bench/floors/minimalfill.h"

#include <QHeaderView>
#include <QList>
#include <QStringList>
#include <QTreeWidget>
#include <cstring>

namespace pelorus::bench {

std::vector<FloorProcess> readFloorProcesses(int capacity) {
    std::vector<FloorProcess> processes(static_cast<std::size_t>(capacity));
    const int count = floorReadProcesses(processes.data(), capacity);
    processes.resize(static_cast<std::size_t>(count));
    return processes;
}

void setUpMinimalList(QTreeWidget& list) {
    list.setColumnCount(3);
    list.setHeaderLabels(
        {QStringLiteral("Task (filename)"), QStringLiteral("ProcID"), QStringLiteral("Location")});
    list.setRootIsDecorated(false);
    list.setUniformRowHeights(true);
    // Columns fitted to all rows, not only to the first thousand as Qt does by default.
    list.header()->setResizeContentsPrecision(-1);
}

void fillMinimalList(QTreeWidget& list, const std::vector<FloorProcess>& processes) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(processes.size()));
    for (const FloorProcess& process : processes) {
        const char* slash = std::strrchr(process.path, '/');
        const QString file = QString::fromUtf8(slash != nullptr ? slash + 1 : process.path);
        const QString folder =
            slash != nullptr ? QString::fromUtf8(process.path, slash - process.path) : QString();
        const QString pid =
            QStringLiteral("%1").arg(static_cast<unsigned>(process.pid), 8, 16, QLatin1Char('0'));
        items.append(new QTreeWidgetItem(QStringList{file, pid, folder}));
    }
    list.addTopLevelItems(items);
    for (int column = 0; column < 3; ++column)
        list.resizeColumnToContents(column);
}

}  // namespace pelorus::bench
