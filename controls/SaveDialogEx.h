#pragma once

#include "OpenDialogEx.h"

// A save dialog that can stay on top and tells whether it is showing.
class TSaveDialogEx : public TOpenDialogEx {
    Q_OBJECT

public:
    explicit TSaveDialogEx(QWidget* parent = nullptr);

    // Appended to a chosen name that has no extension (without the dot).
    QString DefaultExt() const { return defaultSuffix(); }
    void SetDefaultExt(const QString& sExt) { setDefaultSuffix(sExt); }
};
