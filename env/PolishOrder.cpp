#include "env/PolishOrder.h"

#include <QCollator>
#include <QLocale>

#include <array>

namespace {

// Every character the table orders, in order; letters in lower case.
constexpr char16_t Alphabet[] = u" _-,;:!?.'\"()[]{}@*/\\&#%`^+<=>|~$0123456789"
                                u"a\u0105bc\u0107de\u0119fghijkl\u0142mn\u0144o\u00F3pqrs\u015Btuvwxyz\u017A\u017C";
constexpr int AlphabetSize = int(std::size(Alphabet)) - 1;
static_assert(AlphabetSize < 255, "the places fit in a byte");

// The Polish letters outside ASCII with their capitals.
constexpr std::array<std::pair<char16_t, char16_t>, 9> PolishLetters{{{u'\u0105', u'\u0104'},
                                                                      {u'\u0107', u'\u0106'},
                                                                      {u'\u0119', u'\u0118'},
                                                                      {u'\u0142', u'\u0141'},
                                                                      {u'\u0144', u'\u0143'},
                                                                      {u'\u00F3', u'\u00D3'},
                                                                      {u'\u015B', u'\u015A'},
                                                                      {u'\u017A', u'\u0179'},
                                                                      {u'\u017C', u'\u017B'}}};

constexpr int PlaceInAlphabet(char16_t c)
{
    for (int i = 0; i < AlphabetSize; ++i)
        if (Alphabet[i] == c) return i + 1;
    return 0;
}

// The place of every ASCII character, 0 for those the table leaves out.
constexpr std::array<uint8_t, 128> AsciiPlaces = [] {
    std::array<uint8_t, 128> places{};
    for (int c = 0; c < 128; ++c) {
        const auto lower = char16_t(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
        places[size_t(c)] = uint8_t(PlaceInAlphabet(lower));
    }
    return places;
}();

// A character's place in the order, from 1 on; 0 when the table leaves it out.
int Place(char16_t c)
{
    if (c < 128) return AsciiPlaces[c];
    for (const auto& [lower, upper] : PolishLetters)
        if (c == lower || c == upper) return PlaceInAlphabet(lower);
    return 0;
}

bool InTable(QStringView text)
{
    for (const QChar c : text)
        if (Place(c.unicode()) == 0) return false;
    return true;
}

bool IsDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

// The digits of the run starting at from, without leading zeros; from moves past the run.
QStringView NumberAt(QStringView text, qsizetype& from)
{
    qsizetype end = from;
    while (end < text.size() && IsDigit(text[end].unicode()))
        ++end;
    qsizetype first = from;
    while (first < end && text[first] == u'0')
        ++first;
    const QStringView digits = text.sliced(first, end - first);
    from = end;
    return digits;
}

int Sign(qsizetype difference)
{
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

int CompareByTable(QStringView a, QStringView b, PolishNumbers numbers)
{
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < a.size() && j < b.size()) {
        const char16_t x = a[i].unicode();
        const char16_t y = b[j].unicode();
        if (numbers == PolishNumbers::AsNumbers && IsDigit(x) && IsDigit(y)) {
            // Runs of digits by value: the longer number is the larger, numbers
            // of one length compare digit by digit.
            const QStringView left = NumberAt(a, i);
            const QStringView right = NumberAt(b, j);
            if (left.size() != right.size()) return Sign(left.size() - right.size());
            if (const int order = left.compare(right); order != 0) return Sign(order);
            continue;
        }
        // (A digit against any other character: the digits' place decides.)
        if (const int order = Place(x) - Place(y); order != 0) return Sign(order);
        ++i;
        ++j;
    }
    return Sign((a.size() - i) - (b.size() - j));
}

QCollator PolishCollator(PolishNumbers numbers)
{
    QCollator collator{QLocale(QLocale::Polish, QLocale::Poland)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(numbers == PolishNumbers::AsNumbers);
    return collator;
}

// The collation, made the first time a name needs it, one for each thread
// (a collation prepares itself on its first comparison, which two threads
// may not do at once).
const QCollator& Collation(PolishNumbers numbers)
{
    if (numbers == PolishNumbers::AsNumbers) {
        thread_local const QCollator byNumbers = PolishCollator(numbers);
        return byNumbers;
    }
    thread_local const QCollator byText = PolishCollator(numbers);
    return byText;
}

} // namespace

int ComparePolish(QStringView a, QStringView b, PolishNumbers numbers)
{
    if (InTable(a) && InTable(b)) return CompareByTable(a, b, numbers);
    return Sign(Collation(numbers).compare(a, b));
}
