// The foot of our own dialogs: "&Ok" (the default, okButton) and "&Anuluj"
// (cancelButton) at the right, wired to the dialog's accept and reject.
#pragma once

class QDialog;
class QHBoxLayout;
class QPushButton;

// The row of both buttons; ok receives the Ok button.
QHBoxLayout* OkCancelRow(QDialog* dialog, QPushButton*& ok);
