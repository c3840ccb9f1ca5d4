#pragma once

#include "WebPageForm.h"

// The donation window: the server's donation page.
class TDonationForm : public TWebPageForm {
    Q_OBJECT

public:
    TDonationForm();
};

// The one donation window while it is open.
inline TDonationForm* DonationForm = nullptr;

// Opens the window, or brings the open one to the front.
void DonationFormShow();
void DonationFormRelease();
