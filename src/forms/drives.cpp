#include "forms/drives.h"

#include <QFile>
#include <QSet>
#include <QTextStream>

namespace tess {

namespace {
std::vector<Drive>& pinned() {
    static std::vector<Drive> table;
    return table;
}

bool isPseudo(const QString& type) {
    static const QSet<QString> pseudo = {
        "proc",        "sysfs",     "devtmpfs",   "devpts",   "tmpfs",
        "cgroup",      "cgroup2",   "securityfs", "pstore",   "debugfs",
        "tracefs",     "mqueue",    "hugetlbfs",  "fusectl",  "configfs",
        "binfmt_misc", "autofs",    "bpf",        "nsfs",     "ramfs",
        "rpc_pipefs",  "efivarfs",  "overlay",    "squashfs", "fuse.gvfsd-fuse",
        "fuse.portal", "selinuxfs", "none",       "shm",      "sunrpc",
        "nfsd"};
    return pseudo.contains(type);
}

// The mount table escapes blanks and the like as octal (\040).
QString unescapeMount(const QString& s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 3 < s.size()) {
            bool ok = false;
            const int code = s.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out += QChar(code);
                i += 3;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}
} // namespace

std::vector<Drive> drives() {
    if (!pinned().empty()) return pinned();
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    return drivesOfMountTable(mounts.open(QIODevice::ReadOnly) ? mounts.readAll() : QByteArray());
}

std::vector<Drive> drivesOfMountTable(const QByteArray& mountTable) {
    std::vector<Drive> table;
    table.push_back({u'c', QStringLiteral("/")});
    QSet<QString> seen{QStringLiteral("/")};
    const QList<QByteArray> lines = mountTable.split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> f = line.split(' ');
        if (f.size() < 3) continue;
        const QString point = unescapeMount(QString::fromLocal8Bit(f[1]));
        const QString type = QString::fromLocal8Bit(f[2]);
        if (isPseudo(type) || seen.contains(point)) continue;
        const auto within = [&point](QStringView system) {
            return point.startsWith(system) &&
                   (point.size() == system.size() || point[system.size()] == u'/');
        };
        if (within(u"/proc") || within(u"/sys") || within(u"/dev") || within(u"/run")) continue;
        if (table.size() >= 24) break; // c to z
        seen.insert(point);
        table.push_back({QChar(u'c' + static_cast<char16_t>(table.size())), point});
    }
    return table;
}

void setDrivesForTests(std::vector<Drive> table) {
    pinned() = std::move(table);
}

QString mapDrivePath(const QString& path) {
    if (path.size() < 2 || path[1] != u':' || !path[0].isLetter()) return path;
    if (path.size() > 2 && path[2] != u'\\' && path[2] != u'/') return path;
    const QChar letter = path[0].toLower();
    for (const Drive& d : drives()) {
        if (d.letter != letter) continue;
        QString rest = path.mid(3);
        rest.replace(u'\\', u'/');
        QString root = d.mountPoint;
        if (!root.endsWith(u'/')) root += u'/';
        return rest.isEmpty() ? root : root + rest;
    }
    return path;
}

const Drive* driveOfPath(const std::vector<Drive>& table, const QString& path) {
    const Drive* best = nullptr;
    qsizetype bestLength = -1;
    for (const Drive& d : table) {
        const QString mp = d.mountPoint;
        const bool under = path == mp || mp == QStringLiteral("/") ||
                           path.startsWith(mp.endsWith(u'/') ? mp : mp + u'/');
        if (under && path.startsWith(mp) && mp.size() > bestLength) {
            best = &d;
            bestLength = mp.size();
        }
    }
    return best;
}

int letterNumber(const QString& text) {
    if (text.isEmpty()) return -96;
    return static_cast<int>(text[0].toLower().unicode()) - 96;
}

} // namespace tess
