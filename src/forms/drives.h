// Drives on Linux: the mounted real file systems, "/" first, lettered c, d, e ...
#pragma once

#include <QString>
#include <vector>

namespace tess {

struct Drive {
    QChar letter;       // lower case
    QString mountPoint; // native path
    QString text() const {
        return QString(letter) + QStringLiteral(": [") + mountPoint + QStringLiteral("]");
    }
};

// The drives of this machine (read afresh from its mount table, /proc/self/mounts).
std::vector<Drive> drives();

// The drives of a mount table as /proc/self/mounts gives it: "/" as c, then the mounted real file
// systems in the table's order, up to z.
std::vector<Drive> drivesOfMountTable(const QByteArray& table);

// Tests may replace the drive table; an empty table returns to the machine's own.
void setDrivesForTests(std::vector<Drive> table);

// "C:\rest", "c:" and "C:" name the root of drive c (and a path below it); any other path is
// returned unchanged. A letter without a drive maps to nothing and is returned unchanged.
QString mapDrivePath(const QString& path);

// The drive of a path: the one whose mount point is its longest prefix.
const Drive* driveOfPath(const std::vector<Drive>& table, const QString& path);

// The letter number of a text: its first character lower-cased, minus 96 ("a" 1, "z" 26).
int letterNumber(const QString& text);

} // namespace tess
