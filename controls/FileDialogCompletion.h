#pragma once

class QFileDialog;
class QWidget;

// Hides the completion list of the dialog's name edit whenever window hides. A list
// taken with Return closes the dialog while the list is still up; the toolkit leaves
// it on screen over the owner, where it eats the next click or key, because the
// dialog is kept for the next time rather than destroyed.
void FileDialogCompletionHideWith(QFileDialog* dialog, QWidget* window);
