// The clear button of a search field, with a picture drawn in code: the
// style's own asks for picture files, which loads the image readers and the
// icon theme while the window is built.
#pragma once

class QLineEdit;

// Adds the button at the field's end: shown while the field holds text, it
// empties the field.
void AddClearButton(QLineEdit& field);
