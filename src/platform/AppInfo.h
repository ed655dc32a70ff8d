#pragma once

#include <QString>

// The product's fixed identity: its title heads the caption and names the settings store.
namespace appinfo {
inline QString title() { return QStringLiteral("Penwick"); }
inline constexpr int versionMajor = 1;
inline constexpr int versionMinor = 3;
inline constexpr int versionRevision = 0;
inline QString helpFileName() { return QStringLiteral("Penwick.hlp"); }
} // namespace appinfo
