// A temporary folder for a test, removed with everything in it afterwards.
#pragma once

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace tess::testing {

class TempDir {
  public:
    TempDir() { dir_.setAutoRemove(true); }
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    QString mkdir(const QString& name) const {
        QDir(dir_.path()).mkpath(name);
        return dir_.filePath(name);
    }
    QString write(const QString& name, const std::vector<unsigned char>& bytes) const {
        QFile f(file(name));
        f.open(QIODevice::WriteOnly);
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return file(name);
    }
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile f(file(name));
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return file(name);
    }

  private:
    QTemporaryDir dir_;
};

} // namespace tess::testing
