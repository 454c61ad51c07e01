// What a test changes and puts back whatever happens: a temporary folder (Qt paths), the
// environment and the pinned drive table.
#pragma once

#include "forms/drives.h"
#include "support/fixtures/fixtures.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <initializer_list>
#include <optional>
#include <utility>
#include <vector>

namespace tess::testing {

class TempDir : public fixtures::TempDir {
  public:
    QString path() const { return QString::fromStdString(fixtures::TempDir::path()); }
    QString file(const QString& name) const { return path() + u'/' + name; }
    QString mkdir(const QString& name) const { return QDir(path()).mkpath(name), file(name); }
    QString write(const QString& name, const QByteArray& bytes) const { // folders made on the way
        QFile f((QDir(path()).mkpath(QFileInfo(name).path()), file(name)));
        if (f.open(QIODevice::WriteOnly)) f.write(bytes);
        return file(name);
    }
    QString write(const QString& name, const std::vector<unsigned char>& bytes) const {
        return write(name, QByteArrayView(bytes).toByteArray());
    }
};

// Sets (a value) or unsets (nothing) environment variables until the end of the scope.
class ScopedEnv {
    using Value = std::optional<QByteArray>;
    std::vector<std::pair<const char*, Value>> saved_;
    static void set(const char* name, const Value& v) { v ? qputenv(name, *v) : qunsetenv(name); }

  public:
    ScopedEnv(std::initializer_list<std::pair<const char*, Value>> values) {
        for (const auto& [name, value] : values) {
            saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? Value(qgetenv(name))
                                                                      : std::nullopt);
            set(name, value);
        }
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it)
            set(it->first, it->second);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;
};

struct ScopedDrives {
    explicit ScopedDrives(std::vector<Drive> table) { setDrivesForTests(std::move(table)); }
    ~ScopedDrives() { setDrivesForTests({}); }
    ScopedDrives(const ScopedDrives&) = delete;
    ScopedDrives& operator=(const ScopedDrives&) = delete;
};

} // namespace tess::testing
