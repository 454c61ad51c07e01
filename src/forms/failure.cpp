#include "forms/failure.h"

#include <cerrno>
#include <cstring>

namespace tess {

Failure failureFromErrno(int err) {
    std::int32_t number = failure::PathFileAccess;
    switch (err) {
    case ENOENT:
        number = failure::FileNotFound;
        break;
    case ENAMETOOLONG: // a bad name, not a refusal: the user can shorten it
        number = failure::BadFileName;
        break;
    case ENODEV:
    case ENXIO:
    case EIO:
    case ENOMEDIUM:
    case EMEDIUMTYPE:
        number = failure::DeviceUnavailable;
        break;
    case ENOSPC:
    case EDQUOT:
        number = failure::DiskFull;
        break;
    default:
        // EACCES, EPERM, EROFS, EISDIR, ENOTDIR, EINVAL ... all are access errors.
        number = failure::PathFileAccess;
        break;
    }
    return Failure(number, QString::fromLocal8Bit(std::strerror(err)));
}

} // namespace tess
