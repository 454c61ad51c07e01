// Failures: a number and a description, caught by the handler of the operation that failed.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace tess {

namespace failure {
constexpr std::int32_t IndexOutOfRange = 9;
constexpr std::int32_t BadFileName = 52;
constexpr std::int32_t FileNotFound = 53;
constexpr std::int32_t DiskFull = 61;
constexpr std::int32_t DeviceUnavailable = 68;
constexpr std::int32_t PermissionDenied = 70;
constexpr std::int32_t PathFileAccess = 75;
constexpr std::int32_t PathNotFound = 76;
constexpr std::int32_t Refusal = 20001;
constexpr std::int32_t RefusalOther = 20002;
constexpr std::int32_t DialogCancelled = 32755;
} // namespace failure

class Failure : public std::runtime_error {
  public:
    Failure(std::int32_t number, QString description)
        : std::runtime_error(description.toStdString()), number_(number),
          description_(std::move(description)) {}

    std::int32_t number() const { return number_; }
    const QString& description() const { return description_; }

  private:
    std::int32_t number_;
    QString description_;
};

// The failure number for an errno value: 53 not found, 52 a name too long, 68 device
// unavailable, 75 path or file access, 61 disk full; the description is the platform's own
// message.
Failure failureFromErrno(int err);

} // namespace tess
