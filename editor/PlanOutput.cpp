#include "editor/PlanOutput.h"

#include "compliance/ComplianceCheck.h"
#include "editor/Printing.h"
#include "env/Environment.h"
#include "env/ErrorMessages.h"
#include "env/Konfiguracja.h"
#include "env/OdczytZapisPliku.h"
#include "env/Prompt.h"
#include "export/ComplianceReportPdf.h"
#include "export/CsvExport.h"
#include "export/ICalendarExport.h"
#include "export/PdfExport.h"
#include "freedays/DniWolne.h"
#include "plan/PlanDocument.h"
#include "plan/PlanReader.h"

#include <QBuffer>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSettings>

namespace {

const QString FolderKey = QStringLiteral("eksport/folder");

// Shows the pages done while a long plan is painted; Cancel stops it.
class PageProgressDialog
{
public:
    explicit PageProgressDialog(QWidget* parent)
        : m_dialog(QStringLiteral("Przygotowywanie stron planu..."), QStringLiteral("Anuluj"), 0, 1, parent)
    {
        m_dialog.setWindowTitle(MessageTitle);
        m_dialog.setWindowModality(Qt::WindowModal);
        m_dialog.setMinimumDuration(400);
    }
    PageProgress Callback()
    {
        return [this](int done, int pages) {
            m_dialog.setMaximum(pages);
            m_dialog.setValue(done);
            return !m_dialog.wasCanceled();
        };
    }

private:
    QProgressDialog m_dialog;
};

QString MonthText(const QDate& month)
{
    return QLocale(QLocale::Polish).standaloneMonthName(month.month()) + u' ' + QString::number(month.year());
}

// Why an export is not written where the user asked, in a line of the message.
QString RefusalText(ExportRefusal refusal)
{
    switch (refusal) {
    case ExportRefusal::Link:
        return QStringLiteral("Pod tą nazwą jest dowiązanie symboliczne; eksport go nie zastąpi.");
    case ExportRefusal::NotRegular:
        return QStringLiteral("Pod tą nazwą jest katalog, urządzenie lub potok; eksport go nie zastąpi.");
    case ExportRefusal::Input:
    case ExportRefusal::PlanFile:
        return QStringLiteral("Eksport nie zastępuje pliku planu pracy ani pliku dni wolnych.");
    case ExportRefusal::None:
        break;
    }
    return {};
}

} // namespace

ExportMonthsDialog::ExportMonthsDialog(const QVector<QDate>& months, QWidget* parent)
    : QDialog(parent), m_months(months), m_first(new QComboBox(this)), m_last(new QComboBox(this))
{
    setObjectName(QStringLiteral("exportMonths"));
    setWindowTitle(QStringLiteral("Eksportuj plan pracy"));
    m_first->setObjectName(QStringLiteral("exportFirstMonth"));
    m_first->setAccessibleName(QStringLiteral("Pierwszy miesiąc"));
    m_last->setObjectName(QStringLiteral("exportLastMonth"));
    m_last->setAccessibleName(QStringLiteral("Ostatni miesiąc"));
    for (const QDate& month : months) {
        m_first->addItem(MonthText(month));
        m_last->addItem(MonthText(month));
    }
    m_last->setCurrentIndex(int(months.size()) - 1);
    // The span never turns inside out: moving one end past the other moves both.
    connect(m_first, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_last->currentIndex() < index) m_last->setCurrentIndex(index);
    });
    connect(m_last, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (m_first->currentIndex() > index) m_first->setCurrentIndex(index);
    });
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Anuluj"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("Od miesiąca:"), m_first);
    form->addRow(QStringLiteral("Do miesiąca:"), m_last);
    form->addRow(buttons);
}

std::optional<MonthSpan> ExportMonthsDialog::Span() const
{
    if (m_first->currentIndex() == 0 && m_last->currentIndex() == m_months.size() - 1) return std::nullopt;
    return MonthSpan{m_months.at(m_first->currentIndex()), m_months.at(m_last->currentIndex())};
}

PlanOutput::PlanOutput(const Environment& env, const PlanDocument& doc, const SuiteFreeDays& freeDays, QWidget* window)
    : QObject(window), m_env(env), m_doc(doc), m_freeDays(freeDays), m_window(window)
{
}

PlanExportInput PlanOutput::Input(std::optional<MonthSpan> months) const
{
    PlanExportInput input;
    input.Plan = EditedPlan(m_doc);
    if (m_freeDays.FreeDaysLoaded)
        input.FreeDays = FreeDaysBetween(m_freeDays.Days, input.Plan.FirstDay, input.Plan.LastDay);
    input.SlotColours = m_env.ColourTable;
    input.Months = months;
    // Each month's norm, as the labour-code check works it out for one-month periods.
    const ComplianceReport report = CheckCompliance(input.Plan, input.FreeDays, ComplianceOptions{});
    for (const SettlementPeriod& period : report.Periods) {
        if (period.NormMinutes) input.MonthNorms.insert(DateOfDay(period.FirstDay), int32_t(*period.NormMinutes));
    }
    return input;
}

QVector<QDate> PlanOutput::PlanMonths() const
{
    PlanExportInput range;
    range.Plan.FirstDay = m_doc.Plan.FirstDay;
    range.Plan.LastDay = m_doc.Plan.LastDay;
    return ExportMonths(range);
}

bool PlanOutput::PrintTo(QPagedPaintDevice& printer, int fromPage, int toPage)
{
    printer.setPageLayout(PlanPageLayout());
    std::optional<MonthSpan> span;
    if (fromPage > 0) {
        const QVector<QDate> months = PlanMonths();
        const int first = std::clamp(fromPage, 1, int(months.size()));
        const int last = std::clamp(toPage, first, int(months.size()));
        span = MonthSpan{months.at(first - 1), months.at(last - 1)};
    }
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    PageProgressDialog progress(m_window);
    const PlanExportInput input = Input(span);
    const int pages = PaintPlanPages(painter, printer, input, progress.Callback());
    return painter.end() && pages == ExportMonths(input).size();
}

void PlanOutput::Print()
{
    PrintRequest request;
    request.Title = QStringLiteral("Drukuj plan pracy");
    request.DocumentName = QStringLiteral("Plan pracy %1").arg(m_doc.CurrentPlanName);
    request.Layout = PlanPageLayout();
    // One page a month: the page range chooses the months.
    request.FirstPage = 1;
    request.LastPage = int(PlanMonths().size());
    QString error;
    const std::unique_ptr<ChosenPrinter> printer = ChoosePrinter(m_window, request, &error);
    if (!printer) {
        if (!error.isEmpty()) m_env.Ui.ShowMessage(MessageIcon::Critical, error);
        return;
    }
    if (!PrintTo(printer->Device(), printer->FromPage(), printer->ToPage())) {
        m_env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Wydruk planu pracy nie powiódł się."));
        return;
    }
    emit Reported(
        QStringLiteral("Wysłano plan pracy „%1” do drukarki %2.").arg(m_doc.CurrentPlanName, printer->Destination()));
}

void PlanOutput::Export()
{
    std::optional<MonthSpan> months;
    const QVector<QDate> all = PlanMonths();
    if (all.size() > 1) {
        ExportMonthsDialog dialog(all, m_window);
        if (dialog.exec() != QDialog::Accepted) return;
        months = dialog.Span();
    }
    QSettings settings;
    const QString folder = settings.value(FolderKey, QDir::homePath()).toString();
    QString filter;
    const QString path = QFileDialog::getSaveFileName(
        m_window, QStringLiteral("Eksportuj plan pracy"), QDir(folder).filePath(m_doc.CurrentPlanName),
        QStringLiteral("PDF (*.pdf);;Kalendarz iCalendar (*.ics);;Arkusz CSV (*.csv)"), &filter);
    if (path.isEmpty()) return;
    settings.setValue(FolderKey, QFileInfo(path).absolutePath());
    QString target = path;
    const QString extension = filter.section(QLatin1Char('.'), 1).section(QLatin1Char(')'), 0, 0);
    if (QFileInfo(target).suffix().isEmpty() && !extension.isEmpty()) target += QLatin1Char('.') + extension;
    ExportTo(target, months);
}

QList<FileIdentity> PlanOutput::Inputs() const
{
    QList<FileIdentity> inputs;
    const QString freeDays = FindFileIgnoringCase(QDir(m_env.PlansDir()).filePath(QStringLiteral("WOLNE.DAT")));
    for (const QString& path : {PlanFilePath(m_env, m_doc.CurrentPlanName), freeDays}) {
        if (const auto identity = IdentityOf(path)) inputs.append(*identity);
    }
    return inputs;
}

bool PlanOutput::ExportTo(const QString& path, std::optional<MonthSpan> months)
{
    const auto failed = [&](const QString& cause) {
        m_env.Ui.ShowMessage(MessageIcon::Critical, QStringLiteral("Nie można zapisać pliku ") +
                                                        QDir::toNativeSeparators(path) + Cr +
                                                        (cause.isEmpty() ? QString() : cause + Cr) +
                                                        QStringLiteral("Eksport planu pracy nie powiódł się."));
        return false;
    };
    // The plan's own file, the free days, a plan file of the data, a link,
    // a folder, a device or a pipe: refused before anything is made.
    const QString target = QFileInfo(path).absoluteFilePath();
    const QList<FileIdentity> inputs = Inputs();
    if (const ExportRefusal refusal = CheckExportTarget(target, inputs); refusal != ExportRefusal::None)
        return failed(RefusalText(refusal));

    const QString suffix = QFileInfo(path).suffix().toLower();
    const PlanExportInput input = Input(months);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    bool ok = buffer.open(QIODevice::WriteOnly);
    if (ok && suffix == QLatin1String("pdf")) {
        PageProgressDialog progress(m_window);
        ok = WritePlanPdf(input, buffer, progress.Callback());
    } else if (ok && suffix == QLatin1String("ics")) {
        bytes = PlanICalendar(input);
    } else if (ok && suffix == QLatin1String("csv")) {
        bytes = PlanCsv(input);
    } else {
        ok = false;
    }
    if (!ok) return failed({});
    const QString cause = Store(target, bytes, inputs);
    if (!cause.isEmpty()) return failed(cause);
    emit Reported(QStringLiteral("Zapisano plik %1.").arg(QDir::toNativeSeparators(path)));
    return true;
}

QString PlanOutput::Store(const QString& target, const QByteArray& bytes, const QList<FileIdentity>& inputs) const
{
    FileReplacement file;
    file.KeepInputs(inputs);
    int16_t number = file.Write(QFileInfo(target).absolutePath(), {bytes});
    if (number == 0) number = file.Commit(target);
    if (number == 0) return {};
    const ExportRefusal refusal = ExportRefusalOf(file.Fault().Refusal);
    return refusal != ExportRefusal::None ? RefusalText(refusal) : FileErrorCause(number, QFileInfo(target).fileName());
}

void PlanOutput::ExportComplianceReport(const ComplianceOptions& options)
{
    QSettings settings;
    const QString folder = settings.value(FolderKey, QDir::homePath()).toString();
    QString path = QFileDialog::getSaveFileName(
        m_window, QStringLiteral("Raport zgodności planu pracy"),
        QDir(folder).filePath(QStringLiteral("Raport zgodności %1.pdf").arg(m_doc.CurrentPlanName)),
        QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return;
    settings.setValue(FolderKey, QFileInfo(path).absolutePath());
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");
    ComplianceReportTo(path, options);
}

bool PlanOutput::ComplianceReportTo(const QString& path, const ComplianceOptions& options)
{
    const auto failed = [&](const QString& cause) {
        m_env.Ui.ShowMessage(MessageIcon::Critical,
                             QStringLiteral("Nie można zapisać pliku ") + QDir::toNativeSeparators(path) + Cr +
                                 (cause.isEmpty() ? QString() : cause + Cr) +
                                 QStringLiteral("Raport zgodności planu pracy nie został zapisany."));
        return false;
    };
    // Refused as an export is: the plan, the free days, a plan file, a link,
    // a folder, a device or a pipe.
    const QString target = QFileInfo(path).absoluteFilePath();
    const QList<FileIdentity> inputs = Inputs();
    if (const ExportRefusal refusal = CheckExportTarget(target, inputs); refusal != ExportRefusal::None)
        return failed(RefusalText(refusal));
    ComplianceReportInput input;
    input.Plan = EditedPlan(m_doc);
    const QMap<int32_t, QString> freeDays =
        m_freeDays.FreeDaysLoaded ? FreeDaysBetween(m_freeDays.Days, input.Plan.FirstDay, input.Plan.LastDay)
                                  : QMap<int32_t, QString>();
    input.Options = options;
    input.Report = CheckCompliance(input.Plan, freeDays, options);
    const QByteArray pdf = ComplianceReportPdf(input);
    if (pdf.isEmpty()) return failed({});
    const QString cause = Store(target, pdf, inputs);
    if (!cause.isEmpty()) return failed(cause);
    emit Reported(QStringLiteral("Zapisano plik %1.").arg(QDir::toNativeSeparators(path)));
    return true;
}
