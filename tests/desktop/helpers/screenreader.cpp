// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A screen reader for the tests. It joins the accessibility bus as a screen reader does,
// asking the session's bus launcher for it, finds the application of the process given by
// --pid among those the registry knows, and reads that application's lists (the objects
// of role tree) on command, one command a line on its standard input:
//
//   dump    everything a screen reader can ask of each list and of each of its children,
//           one line each, then "end"
//   read    the name and state of every cell of every list, through the table and through
//           the children, then "read N" (the cells read)
//   listen  registers for focus and object events, then "end"
//   events  the events that came since the last "events", one line each, then "end"
//   probe   asks each list about places past its last row and column, in the questions
//           that take a row and a column; each answer a line, then "end"
//
// The end of the input ends it. What cannot be read shows as "<error NAME>".
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QMap>
#include <QObject>
#include <QStringList>
#include <QThread>
#include <cstdio>
#include <iostream>
#include <string>

namespace {

/// How long a call may wait for its answer: a question the application leaves unanswered
/// shows as an error rather than stopping the reader.
constexpr int kCallTimeout = 5000;
constexpr const char* kAccessible = "org.a11y.atspi.Accessible";
constexpr const char* kTable = "org.a11y.atspi.Table";
constexpr const char* kAction = "org.a11y.atspi.Action";

/// The state names in the order of their bits (AtspiStateType).
constexpr const char* kStates[] = {"invalid",         "active",
                                   "armed",           "busy",
                                   "checked",         "collapsed",
                                   "defunct",         "editable",
                                   "enabled",         "expandable",
                                   "expanded",        "focusable",
                                   "focused",         "has-tooltip",
                                   "horizontal",      "iconified",
                                   "modal",           "multi-line",
                                   "multiselectable", "opaque",
                                   "pressed",         "resizable",
                                   "selectable",      "selected",
                                   "sensitive",       "showing",
                                   "single-line",     "stale",
                                   "transient",       "vertical",
                                   "visible",         "manages-descendants",
                                   "indeterminate",   "required",
                                   "truncated",       "animated",
                                   "invalid-entry",   "supports-autocompletion",
                                   "selectable-text", "is-default",
                                   "visited",         "checkable",
                                   "has-popup",       "read-only"};

/// An accessible object on the bus.
struct Ref {
    QString service;
    QString path;
    bool isNull() const { return path.isEmpty() || path == "/org/a11y/atspi/null"; }
};

Ref toRef(const QVariant& value) {
    Ref ref;
    if (!value.canConvert<QDBusArgument>())
        return ref;
    const auto argument = value.value<QDBusArgument>();
    QDBusObjectPath path;
    argument.beginStructure();
    argument >> ref.service >> path;
    argument.endStructure();
    ref.path = path.path();
    return ref;
}

QList<Ref> toRefs(const QVariant& value) {
    QList<Ref> refs;
    if (!value.canConvert<QDBusArgument>())
        return refs;
    const auto argument = value.value<QDBusArgument>();
    argument.beginArray();
    while (!argument.atEnd()) {
        Ref ref;
        QDBusObjectPath path;
        argument.beginStructure();
        argument >> ref.service >> path;
        argument.endStructure();
        ref.path = path.path();
        refs.append(ref);
    }
    argument.endArray();
    return refs;
}

QString quoted(const QString& text) {
    return '"' + text + '"';
}

class Reader final : public QObject {
    Q_OBJECT
public:
    bool join(qint64 pid);
    void dump();
    void read();
    void listen();
    void events();
    void probe();

private slots:
    void onEvent(const QDBusMessage& message);

private:
    QDBusMessage call(const Ref& ref, const char* interface, const char* method,
                      const QVariantList& arguments = {});
    /// The reply's first value, or the error as text.
    QVariant value(const Ref& ref, const char* interface, const char* method,
                   const QVariantList& arguments = {});
    QVariant property(const Ref& ref, const char* interface, const char* name);
    QString text(const QVariant& value) const;
    QString states(const Ref& ref);
    /// Role, name and place: enough to tell an object apart.
    QString brief(const Ref& ref);
    /// Everything the object answers of itself.
    QString describe(const Ref& ref);
    void dumpList(const Ref& list);
    void sync();

    QDBusConnection m_bus{QString()};
    Ref m_application;
    QList<Ref> m_lists;
    QStringList m_events;
};

QDBusMessage Reader::call(const Ref& ref, const char* interface, const char* method,
                          const QVariantList& arguments) {
    QDBusMessage message = QDBusMessage::createMethodCall(
        ref.service, ref.path, QString::fromLatin1(interface), QString::fromLatin1(method));
    message.setArguments(arguments);
    return m_bus.call(message, QDBus::Block, kCallTimeout);
}

QVariant Reader::value(const Ref& ref, const char* interface, const char* method,
                       const QVariantList& arguments) {
    const QDBusMessage reply = call(ref, interface, method, arguments);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        std::fprintf(stderr, "screenreader: %s.%s at %s: %s\n", interface, method,
                     qPrintable(ref.path), qPrintable(reply.errorName()));
        return QStringLiteral("<error %1>").arg(reply.errorName());
    }
    return reply.arguments().value(0);
}

QVariant Reader::property(const Ref& ref, const char* interface, const char* name) {
    const QVariant reply = value(ref, "org.freedesktop.DBus.Properties", "Get",
                                 {QString::fromLatin1(interface), QString::fromLatin1(name)});
    if (!reply.canConvert<QDBusVariant>())
        return reply;
    return reply.value<QDBusVariant>().variant();
}

QString Reader::text(const QVariant& value) const {
    if (value.typeId() == QMetaType::QString)
        return value.toString().startsWith("<error") ? value.toString() : quoted(value.toString());
    if (value.typeId() == QMetaType::Bool)
        return value.toBool() ? "yes" : "no";
    return value.toString();
}

QString Reader::states(const Ref& ref) {
    const QVariant reply = value(ref, kAccessible, "GetState");
    const auto words = qdbus_cast<QList<uint>>(reply);
    QStringList names;
    for (int word = 0; word < words.size(); ++word) {
        for (int bit = 0; bit < 32; ++bit) {
            if ((words[word] & (1U << bit)) == 0)
                continue;
            const int state = word * 32 + bit;
            names << (state < int(std::size(kStates)) ? QString::fromLatin1(kStates[state])
                                                      : QString::number(state));
        }
    }
    return '[' + names.join(',') + ']';
}

QString Reader::brief(const Ref& ref) {
    if (ref.isNull())
        return QStringLiteral("<none>");
    return QStringLiteral("<%1 %2 #%3>")
        .arg(value(ref, kAccessible, "GetRoleName").toString(),
             text(property(ref, kAccessible, "Name")),
             value(ref, kAccessible, "GetIndexInParent").toString());
}

QString Reader::describe(const Ref& ref) {
    if (ref.isNull())
        return QStringLiteral("<none>");
    QStringList parts;
    parts << "role=" + value(ref, kAccessible, "GetRoleName").toString();
    parts << "name=" + text(property(ref, kAccessible, "Name"));
    parts << "description=" + text(property(ref, kAccessible, "Description"));
    parts << "states=" + states(ref);
    parts << "index=" + value(ref, kAccessible, "GetIndexInParent").toString();
    parts << "children=" + property(ref, kAccessible, "ChildCount").toString();
    parts << "parent=" + brief(toRef(property(ref, kAccessible, "Parent")));
    const QStringList interfaces = value(ref, kAccessible, "GetInterfaces").toStringList();
    parts << "interfaces=[" + interfaces.join(',') + ']';
    const auto attributes =
        qdbus_cast<QMap<QString, QString>>(value(ref, kAccessible, "GetAttributes"));
    QStringList pairs;
    for (auto it = attributes.cbegin(); it != attributes.cend(); ++it)
        pairs << it.key() + ':' + it.value();
    parts << "attributes={" + pairs.join(',') + '}';
    // Relations: a(ua(so)).
    const QVariant relationsReply = value(ref, kAccessible, "GetRelationSet");
    QStringList relations;
    if (relationsReply.canConvert<QDBusArgument>()) {
        const auto argument = relationsReply.value<QDBusArgument>();
        argument.beginArray();
        while (!argument.atEnd()) {
            uint type = 0;
            argument.beginStructure();
            argument >> type;
            QStringList targets;
            argument.beginArray();
            while (!argument.atEnd()) {
                QString service;
                QDBusObjectPath path;
                argument.beginStructure();
                argument >> service >> path;
                argument.endStructure();
                targets << path.path().section('/', -1);
            }
            argument.endArray();
            argument.endStructure();
            relations << QString::number(type) + ':' + targets.join('+');
        }
        argument.endArray();
    }
    parts << "relations=[" + relations.join(',') + ']';
    if (interfaces.contains(kAction)) {
        const int count = property(ref, kAction, "NActions").toInt();
        QStringList actions;
        for (int i = 0; i < count; ++i) {
            actions << value(ref, kAction, "GetName", {i}).toString() + '/' +
                           value(ref, kAction, "GetKeyBinding", {i}).toString();
        }
        parts << "actions=[" + actions.join(',') + ']';
    }
    return parts.join(' ');
}

bool Reader::join(qint64 pid) {
    QDBusMessage ask = QDBusMessage::createMethodCall("org.a11y.Bus", "/org/a11y/bus",
                                                      "org.a11y.Bus", "GetAddress");
    const QDBusMessage address =
        QDBusConnection::sessionBus().call(ask, QDBus::Block, kCallTimeout);
    if (address.type() != QDBusMessage::ReplyMessage) {
        std::printf("error no accessibility bus: %s\n", qPrintable(address.errorMessage()));
        return false;
    }
    m_bus = QDBusConnection::connectToBus(address.arguments().value(0).toString(), "a11y");
    if (!m_bus.isConnected()) {
        std::printf("error cannot join the accessibility bus\n");
        return false;
    }
    const Ref desktop{"org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"};
    // The application joins the registry when its bridge starts: wait for it a while.
    for (int attempt = 0; attempt < 1000 && m_application.isNull(); ++attempt) {
        for (const Ref& application : toRefs(value(desktop, kAccessible, "GetChildren"))) {
            QDBusMessage owner = QDBusMessage::createMethodCall(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                "GetConnectionUnixProcessID");
            owner.setArguments({application.service});
            const QDBusMessage reply = m_bus.call(owner, QDBus::Block, kCallTimeout);
            if (reply.arguments().value(0).toLongLong() == pid)
                m_application = application;
        }
        if (m_application.isNull())
            QThread::msleep(10);
    }
    if (m_application.isNull()) {
        std::printf("error no application of process %lld\n", static_cast<long long>(pid));
        return false;
    }
    // The lists, in the order the walk meets them; their children are not walked.
    QList<Ref> pending{m_application};
    while (!pending.isEmpty()) {
        const Ref next = pending.takeFirst();
        if (value(next, kAccessible, "GetRoleName").toString() == "tree") {
            m_lists.append(next);
            continue;
        }
        pending.append(toRefs(value(next, kAccessible, "GetChildren")));
    }
    return true;
}

void Reader::dumpList(const Ref& list) {
    std::printf("list %s\n", qPrintable(describe(list)));
    const int rows = property(list, kTable, "NRows").toInt();
    const int columns = property(list, kTable, "NColumns").toInt();
    std::printf(
        "  table rows=%d columns=%d selected-rows=%d selected-columns=%d caption=%s "
        "summary=%s\n",
        rows, columns, property(list, kTable, "NSelectedRows").toInt(),
        property(list, kTable, "NSelectedColumns").toInt(),
        qPrintable(brief(toRef(property(list, kTable, "Caption")))),
        qPrintable(brief(toRef(property(list, kTable, "Summary")))));
    QStringList selected;
    for (const int row : qdbus_cast<QList<int>>(value(list, kTable, "GetSelectedRows")))
        selected << QString::number(row);
    std::printf("  selected rows [%s]\n", qPrintable(selected.join(',')));
    for (int column = 0; column < columns; ++column) {
        std::printf("  column %d description=%s header=%s selected=%s\n", column,
                    qPrintable(text(value(list, kTable, "GetColumnDescription", {column}))),
                    qPrintable(describe(toRef(value(list, kTable, "GetColumnHeader", {column})))),
                    qPrintable(text(value(list, kTable, "IsColumnSelected", {column}))));
    }
    for (int row = 0; row < rows; ++row) {
        std::printf("  row %d description=%s header=%s selected=%s\n", row,
                    qPrintable(text(value(list, kTable, "GetRowDescription", {row}))),
                    qPrintable(brief(toRef(value(list, kTable, "GetRowHeader", {row})))),
                    qPrintable(text(value(list, kTable, "IsRowSelected", {row}))));
        for (int column = 0; column < columns; ++column) {
            std::printf(
                "    cell %d,%d index=%s selected=%s %s\n", row, column,
                qPrintable(value(list, kTable, "GetIndexAt", {row, column}).toString()),
                qPrintable(text(value(list, kTable, "IsSelected", {row, column}))),
                qPrintable(describe(toRef(value(list, kTable, "GetAccessibleAt", {row, column})))));
        }
    }
    const QList<Ref> children = toRefs(value(list, kAccessible, "GetChildren"));
    for (int i = 0; i < children.size(); ++i) {
        std::printf("  child %d row=%s column=%s %s\n", i,
                    qPrintable(value(list, kTable, "GetRowAtIndex", {i}).toString()),
                    qPrintable(value(list, kTable, "GetColumnAtIndex", {i}).toString()),
                    qPrintable(describe(children[i])));
        const Ref again = toRef(value(list, kAccessible, "GetChildAtIndex", {i}));
        std::printf("    again %s\n", qPrintable(brief(again)));
    }
    // Qt takes the index for a place in the rows, the header row not counted: past the
    // rows its answer would be no cell at all, which Qt 6.4 does not check.
    for (int i = 0; i < rows * columns; ++i) {
        const QDBusMessage extents = call(list, kTable, "GetRowColumnExtentsAtIndex", {i});
        QStringList numbers;
        for (const QVariant& number : extents.arguments())
            numbers << text(number);
        std::printf("  extents %d (%s)\n", i, qPrintable(numbers.join(',')));
    }
}

void Reader::dump() {
    for (const Ref& list : m_lists)
        dumpList(list);
}

void Reader::read() {
    // The questions go out together and the answers are taken as they come, as a reader
    // that reads ahead does: the application answers one at a time all the same.
    const auto askAll = [this](const QList<QDBusMessage>& questions) {
        QList<QDBusPendingCall> pending;
        pending.reserve(questions.size());
        for (const QDBusMessage& question : questions)
            pending.append(m_bus.asyncCall(question, kCallTimeout));
        QList<QDBusMessage> answers;
        answers.reserve(pending.size());
        for (QDBusPendingCall& call : pending) {
            call.waitForFinished();
            answers.append(call.reply());
        }
        return answers;
    };
    const auto question = [](const Ref& ref, const char* interface, const char* method,
                             const QVariantList& arguments) {
        QDBusMessage message = QDBusMessage::createMethodCall(
            ref.service, ref.path, QString::fromLatin1(interface), QString::fromLatin1(method));
        message.setArguments(arguments);
        return message;
    };
    const auto nameOf = [&](const Ref& ref) {
        return question(ref, "org.freedesktop.DBus.Properties", "Get",
                        {QString::fromLatin1(kAccessible), QStringLiteral("Name")});
    };
    long cells = 0;
    for (const Ref& list : m_lists) {
        const int rows = property(list, kTable, "NRows").toInt();
        const int columns = property(list, kTable, "NColumns").toInt();
        QList<QDBusMessage> headers;
        for (int column = 0; column < columns; ++column)
            headers.append(question(list, kTable, "GetColumnHeader", {column}));
        QList<QDBusMessage> headerNames;
        for (const QDBusMessage& answer : askAll(headers)) {
            const Ref header = toRef(answer.arguments().value(0));
            if (!header.isNull())
                headerNames.append(nameOf(header));
        }
        askAll(headerNames);
        QList<QDBusMessage> questions;
        for (int row = 0; row < rows; ++row) {
            for (int column = 0; column < columns; ++column)
                questions.append(question(list, kTable, "GetAccessibleAt", {row, column}));
        }
        QList<QDBusMessage> names;
        for (const QDBusMessage& answer : askAll(questions)) {
            const Ref cell = toRef(answer.arguments().value(0));
            if (!cell.isNull())
                names.append(nameOf(cell));
        }
        for (const QDBusMessage& answer : askAll(names)) {
            if (answer.type() == QDBusMessage::ReplyMessage)
                ++cells;
        }
        QList<QDBusMessage> children;
        for (const Ref& child : toRefs(value(list, kAccessible, "GetChildren"))) {
            children.append(nameOf(child));
            children.append(question(child, kAccessible, "GetState", {}));
        }
        askAll(children);
    }
    std::printf("read %ld\n", cells);
}

void Reader::probe() {
    for (const Ref& list : m_lists) {
        const int rows = property(list, kTable, "NRows").toInt();
        const int columns = property(list, kTable, "NColumns").toInt();
        const struct {
            const char* method;
            QVariantList arguments;
        } questions[] = {
            {"GetRowColumnExtentsAtIndex", {(rows + 1) * columns}},
            {"IsSelected", {rows, 0}},
            {"GetRowHeader", {rows, 0}},
            {"GetColumnExtentAt", {rows, columns}},
            {"GetRowExtentAt", {-1, -1}},
            {"GetIndexAt", {rows, 0}},
        };
        for (const auto& [method, arguments] : questions) {
            const QDBusMessage reply = call(list, kTable, method, arguments);
            QStringList answer;
            if (reply.type() != QDBusMessage::ReplyMessage)
                answer << "<error " + reply.errorName() + '>';
            for (const QVariant& part : reply.arguments())
                answer << (part.canConvert<QDBusArgument>() ? brief(toRef(part)) : text(part));
            std::printf("probe %s %s %s\n",
                        qPrintable(property(list, kAccessible, "Name").toString()), method,
                        qPrintable(answer.join(',')));
        }
    }
}

void Reader::listen() {
    for (const char* kind : {"Focus", "StateChanged", "SelectionChanged", "ActiveDescendantChanged",
                             "ChildrenChanged", "PropertyChange"}) {
        const QString interface = QString::fromLatin1(kind) == "Focus"
                                      ? QStringLiteral("org.a11y.atspi.Event.Focus")
                                      : QStringLiteral("org.a11y.atspi.Event.Object");
        m_bus.connect(QString(), QString(), interface, QString::fromLatin1(kind), this,
                      SLOT(onEvent(QDBusMessage)));
    }
    const Ref registry{"org.a11y.atspi.Registry", "/org/a11y/atspi/registry"};
    for (const char* event : {"focus:", "object:"})
        call(registry, "org.a11y.atspi.Registry", "RegisterEvent",
             {QString::fromLatin1(event), QStringList(), QString()});
    sync();
    m_events.clear();
}

void Reader::onEvent(const QDBusMessage& message) {
    if (message.service() != m_application.service)
        return;
    const QVariantList arguments = message.arguments();
    const Ref source{message.service(), message.path()};
    QString data;
    const QVariant any = arguments.value(3).value<QDBusVariant>().variant();
    if (any.canConvert<QDBusArgument>())
        data = brief(toRef(any));
    else
        data = text(any);
    m_events << QStringLiteral("event %1 %2 %3 %4 source=%5 data=%6")
                    .arg(message.member(), arguments.value(0).toString(),
                         arguments.value(1).toString(), arguments.value(2).toString(),
                         brief(source), data);
}

void Reader::sync() {
    // The application answers after it has sent every event it sent before; they are
    // handed to onEvent when the events waiting here are handled.
    value(m_application, kAccessible, "GetRoleName");
    QCoreApplication::processEvents();
}

void Reader::events() {
    sync();
    for (const QString& event : std::as_const(m_events))
        std::printf("%s\n", qPrintable(event));
    m_events.clear();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const qsizetype pidAt = arguments.indexOf("--pid");
    if (pidAt < 0 || pidAt + 1 >= arguments.size()) {
        std::fprintf(stderr, "usage: %s --pid PID\n", argv[0]);
        return 2;
    }
    Reader reader;
    if (!reader.join(arguments[pidAt + 1].toLongLong())) {
        std::fflush(stdout);
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    std::string command;
    while (std::getline(std::cin, command) && !command.empty()) {
        if (command == "dump") {
            reader.dump();
        } else if (command == "read") {
            reader.read();
        } else if (command == "listen") {
            reader.listen();
        } else if (command == "events") {
            reader.events();
        } else if (command == "probe") {
            reader.probe();
        } else {
            std::printf("error unknown command %s\n", command.c_str());
        }
        if (command != "read")
            std::printf("end\n");
        std::fflush(stdout);
    }
    return 0;
}

#include "screenreader.moc"
