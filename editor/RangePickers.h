// A pair of date pickers that hold a plan's range ("dd-MM-yyyy"): a first
// day later than the last is pulled back to it, a last day earlier than the
// first is pulled up to it, and a change to a new value marks the range
// edited (RangeEdited). The pickers remember their values so that a
// cancelled dialog can put them back.
#pragma once

#include <QDate>
#include <QGridLayout>
#include <QGroupBox>
#include <QObject>

class DateField;
class Prompt;
struct PlanDocument;

class RangePickers : public QObject
{
    Q_OBJECT

public:
    // Any change of the last day counts as an edit when toAlwaysEdits is set
    // (the main window's pickers), else only a value other than the one remembered.
    RangePickers(DateField* from, DateField* to, PlanDocument& doc, bool toAlwaysEdits, QObject* parent = nullptr);

    QDate From() const;
    QDate To() const;
    // Shows a range without it counting as an edit, and remembers it.
    void Show(QDate from, QDate to);
    // Remembers the values shown now, for Restore (a dialog does so each time it shows).
    void Remember();
    // Puts the remembered values back.
    void Restore();
    // Takes what is typed in both pickers; false when one refuses it.
    bool Commit();
    // The days of the range (since 2000-01-01).
    int32_t FirstDay() const;
    int32_t LastDay() const;

signals:
    void Changed(QDate from, QDate to);

private:
    void FromChanged();
    void ToChanged();

    DateField* m_from;
    DateField* m_to;
    PlanDocument& m_doc;
    bool m_toAlwaysEdits;
    bool m_showing = false;
    QString m_rememberedFrom; // for Restore
    QString m_rememberedTo;
    QString m_lastFrom; // the values last seen, for RangeEdited
    QString m_lastTo;
};

// The format the range pickers show and remember their dates in.
inline const QString RangeDateFormat = QStringLiteral("dd-MM-yyyy");

// A date picker for a plan's range, for the days a plan may cover.
DateField* NewRangePicker(Prompt& prompt, const char* name, QWidget* parent);

// The dialogs' range frame: "Obowiązuje od:" dtpOd "do" dtpDo on the given
// row of the frame's grid, which is returned.
QGridLayout* AddRangeRow(QGroupBox* frame, DateField* from, DateField* to, int row);
