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

    // A read-only file is refused with a warning and the dialog stays open; an
    // existing one is taken without a question, which is its owner's to ask.
    void accept() override;
};
