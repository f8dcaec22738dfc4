#pragma once

#include <QString>

namespace pusla::settingkeys {

// Per-application settings, section "Pusla".
inline const QString Section = QStringLiteral("Pusla");
inline const QString ServerAddress = QStringLiteral("ip");
inline const QString OperationKind = QStringLiteral("SbCr");
inline const QString DefaultServerAddress = QStringLiteral("\\\\127.0.0.1\\MuhasebeData\\01");
inline const QString DefaultOperationKind = QStringLiteral("0");

// Which store serves the books, section "Store" of the same file.
inline const QString StoreSection = QStringLiteral("Store");
inline const QString StoreKind = QStringLiteral("kind");
inline const QString StoreConninfo = QStringLiteral("conninfo");

// The fixed key path of the window placement and the invoice counter copy.
inline const QString PropertiesKey = QStringLiteral("LoginEx\\Properties1");
inline const QString Top = QStringLiteral("TerTop");
inline const QString Left = QStringLiteral("TerLeft");
inline const QString Width = QStringLiteral("TerWidth");
inline const QString Height = QStringLiteral("TerHeight");

} // namespace pusla::settingkeys
