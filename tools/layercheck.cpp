// Checks the include structure of the source tree: no cycle between files (a header and its
// source count as one), no cycle between directories, and core/ includes nothing outside core/.
// Run: layercheck SOURCE_DIR; prints each violation and exits 1 when there is one.
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <functional>
#include <map>
#include <set>

namespace {

using Graph = std::map<QString, std::set<QString>>;

QString unitOf(const QString& path) {
    return path.left(path.lastIndexOf(u'.'));
}

QString directoryOf(const QString& path) {
    return path.left(path.lastIndexOf(u'/'));
}

// The strongly connected components of more than one node (Tarjan).
std::vector<QStringList> cycles(const Graph& graph) {
    std::map<QString, int> index;
    std::map<QString, int> low;
    QStringList stack;
    std::set<QString> onStack;
    std::vector<QStringList> found;
    int next = 0;
    std::function<void(const QString&)> visit = [&](const QString& node) {
        index[node] = low[node] = next++;
        stack.append(node);
        onStack.insert(node);
        const auto edges = graph.find(node);
        for (const QString& target : edges == graph.end() ? std::set<QString>{} : edges->second) {
            if (!index.contains(target)) {
                visit(target);
                low[node] = std::min(low[node], low[target]);
            } else if (onStack.contains(target)) {
                low[node] = std::min(low[node], index[target]);
            }
        }
        if (low[node] != index[node])
            return;
        QStringList component;
        QString member;
        do {
            member = stack.takeLast();
            onStack.erase(member);
            component.append(member);
        } while (member != node);
        if (component.size() > 1)
            found.push_back(component);
    };
    for (const auto& [node, edges] : graph)
        if (!index.contains(node))
            visit(node);
    return found;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QDir root(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    const QRegularExpression include(QStringLiteral(R"re(^\s*#\s*include\s+"([^"]+)")re"),
                                     QRegularExpression::MultilineOption);
    Graph files;
    Graph directories;
    QStringList violations;
    QDirIterator it(root.path(), {QStringLiteral("*.h"), QStringLiteral("*.cpp")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = root.relativeFilePath(it.next());
        if (path.startsWith(u"build") || path.startsWith(u'.'))
            continue;
        QFile file(root.filePath(path));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QString text = QString::fromUtf8(file.readAll());
        for (const auto& match : include.globalMatch(text)) {
            const QString target = match.captured(1);
            if (!QFileInfo::exists(root.filePath(target)) || unitOf(target) == unitOf(path))
                continue;
            files[unitOf(path)].insert(unitOf(target));
            if (directoryOf(path) != directoryOf(target))
                directories[directoryOf(path)].insert(directoryOf(target));
            if (path.startsWith(u"core/") && !target.startsWith(u"core/"))
                violations.append(path + QStringLiteral(" includes ") + target);
        }
    }
    for (const QStringList& cycle : cycles(files))
        violations.append(QStringLiteral("file cycle: ") + cycle.join(QStringLiteral(", ")));
    for (const QStringList& cycle : cycles(directories))
        violations.append(QStringLiteral("directory cycle: ") + cycle.join(QStringLiteral(", ")));

    QTextStream out(stdout);
    for (const QString& violation : violations)
        out << violation << '\n';
    out << files.size() << " source units with includes, " << violations.size() << " violations\n";
    return violations.isEmpty() ? 0 : 1;
}
