// Win32 error numbers the logic and the ports speak.
#pragma once

#include "platform/types.h"

namespace platform::err {

inline constexpr ErrorCode success = 0;
inline constexpr ErrorCode fileNotFound = 2;
inline constexpr ErrorCode pathNotFound = 3;
inline constexpr ErrorCode accessDenied = 5;
inline constexpr ErrorCode invalidHandle = 6;
inline constexpr ErrorCode notEnoughMemory = 8;
inline constexpr ErrorCode invalidData = 13;
inline constexpr ErrorCode noMoreFiles = 18;
inline constexpr ErrorCode writeFault = 29;
inline constexpr ErrorCode readFault = 30;
inline constexpr ErrorCode sharingViolation = 32;
inline constexpr ErrorCode lockViolation = 33;
inline constexpr ErrorCode handleEof = 38;
inline constexpr ErrorCode notSupported = 50;
inline constexpr ErrorCode fileExists = 80;
inline constexpr ErrorCode invalidParameter = 87;
inline constexpr ErrorCode diskFull = 112;
inline constexpr ErrorCode callNotImplemented = 120;
inline constexpr ErrorCode insufficientBuffer = 122;
inline constexpr ErrorCode invalidName = 123;
inline constexpr ErrorCode modNotFound = 126;
inline constexpr ErrorCode procNotFound = 127;
inline constexpr ErrorCode dirNotEmpty = 145;
inline constexpr ErrorCode alreadyExists = 183;
inline constexpr ErrorCode moreData = 234;
inline constexpr ErrorCode waitTimeout = 258;
inline constexpr ErrorCode noMoreItems = 259;
inline constexpr ErrorCode notOwner = 288;
inline constexpr ErrorCode invalidAddress = 487;
inline constexpr ErrorCode directory = 267;
inline constexpr ErrorCode mappedAlignment = 1132;
inline constexpr ErrorCode invalidWindowHandle = 1400;
inline constexpr ErrorCode resourceDataNotFound = 1812;
inline constexpr ErrorCode resourceTypeNotFound = 1813;
inline constexpr ErrorCode resourceNameNotFound = 1814;
inline constexpr ErrorCode resourceLangNotFound = 1815;
inline constexpr ErrorCode keyDeleted = 1018;
inline constexpr ErrorCode badPathname = 161;
inline constexpr ErrorCode negativeSeek = 131;
inline constexpr ErrorCode installUserExit = 1602;
inline constexpr ErrorCode installFailure = 1603;
inline constexpr ErrorCode installPackageOpenFailed = 1619;
inline constexpr ErrorCode successRebootRequired = 3010;
/// CryptoAPI reports NTE_* HRESULTs through the last error.
inline constexpr ErrorCode badHashState = 0x8009000Cu;

}  // namespace platform::err
