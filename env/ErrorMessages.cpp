#include "env/ErrorMessages.h"

#include "env/Prompt.h"

QString FileErrorMessage(int16_t number, const QString& fileName, const QString& extraText)
{
    QString text;
    switch (number) {
    case BadFileName:
        text = QStringLiteral("Nieprawidłowa nazwa pliku ") + fileName + Cr + extraText;
        break;
    case FileNotFound:
        text = QStringLiteral("Plik ") + fileName + QStringLiteral(" nieistnieje ") + Cr + extraText;
        break;
    case FileAlreadyOpen:
        text = QStringLiteral("Plik ") + fileName + QStringLiteral(" jest już otwarty. ");
        break;
    case DeviceIoError:
        text = QStringLiteral("Błąd urządzenia I/O.");
        break;
    case DiskFull:
        text = QStringLiteral("Dysk jest pełny ") + Cr + extraText;
        break;
    case DeviceUnavailable:
        text = QStringLiteral("Urządzenie niedostępne.");
        break;
    case PermissionDenied:
        text = QStringLiteral("Odmowa dostępu. Plik jest zablokowany przez inny program.") + Cr + extraText;
        break;
    case DiskNotReady:
        text = QStringLiteral("Dysk niegotowy.");
        break;
    case PathFileAccessError:
        text = QStringLiteral("Brak dostępu do pliku ") + fileName + Cr + extraText;
        break;
    case PathNotFound:
        text = QStringLiteral("Nie odnaleziono pliku ") + fileName + Cr + extraText;
        break;
    default:
        break;
    }
    return text;
}

bool ShowFileError(Prompt& prompt, int16_t number, const QString& fileName, const QString& extraText, bool show)
{
    const QString text = FileErrorMessage(number, fileName, extraText);
    if (text.isEmpty()) return false;
    if (show) prompt.ShowMessage(MessageIcon::Critical, text);
    return true;
}

QString FileErrorCause(int16_t number, const QString& fileName)
{
    QString text = FileErrorMessage(number, fileName, QString());
    if (text.endsWith(Cr)) text.chop(1);
    return text.trimmed();
}

bool ShowLibraryError(Prompt& prompt, uint8_t status, bool show)
{
    QString text;
    switch (status) {
    case 0:
        return false;
    case 1:
        text = QStringLiteral("Błąd operacji dyskowej.");
        break;
    case 2:
        text = QStringLiteral("Błąd struktury bazy danych.");
        break;
    case 3:
        text = QStringLiteral("Błąd allokacji pamięci.");
        break;
    case 4:
        text = QStringLiteral("Błąd chronologi danych.");
        break;
    case 5:
        text = QStringLiteral("Niepoprawny zakres raportu.") + Cr +
               QStringLiteral("Plan pracy nie obejmuje ustalonego przedziału raportowania.");
        break;
    case 6:
        text = QStringLiteral("Przekroczona liczba planów pracy.");
        break;
    case 63:
        return true;
    default:
        prompt.ShowMessage(MessageIcon::Critical,
                           QStringLiteral("Wystąpił błąd biblioteki numer: ") + QString::number(status));
        return true;
    }
    if (show) prompt.ShowMessage(MessageIcon::Critical, text);
    return true;
}
