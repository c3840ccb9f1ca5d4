#pragma once

#include "WebPageForm.h"

// The request window: the server's request form.
class TRequestForm : public TWebPageForm {
    Q_OBJECT

public:
    TRequestForm();
};

// The one request window while it is open.
inline TRequestForm* RequestForm = nullptr;

// Opens the window, or brings the open one to the front.
void RequestFormShow();
void RequestFormRelease();
