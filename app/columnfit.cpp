// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/columnfit.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QHash>
#include <algorithm>
#include <array>
#include <utility>
#include <vector>

namespace pelorus::app {
namespace {

/// The characters whose advances add up to a near bound of the layout: printable Latin.
constexpr char16_t kLatinBegin = 0x20;
constexpr char16_t kLatinEnd = 0x250;
/// How much wider than the sum of its advances kerning may lay out a Latin text: a few
/// per cent at most, so this bound is generous.
constexpr qreal kLatinWidening = 1.1;
/// The same for every other text: no bound (joined forms, marks set apart), a rank that
/// lets texts of other scripts that come near the widest be laid out.
constexpr qreal kOtherWidening = 2.0;

bool isLatin(char32_t code) {
    return code >= kLatinBegin && code < kLatinEnd && !(code >= 0x7f && code < 0xa0);
}

/// The advances of single characters in one font, each asked once.
class Advances {
public:
    explicit Advances(const QFont& font) : m_metrics(font) { m_latin.fill(-1); }

    /// The sum of the advances of the characters of `text`, and whether all are Latin.
    std::pair<qreal, bool> sum(const QString& text) {
        qreal total = 0;
        bool latin = true;
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar unit = text[i];
            if (unit.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                total += other(QChar::surrogateToUcs4(unit, text[i + 1]), text.mid(i, 2));
                latin = false;
                ++i;
                continue;
            }
            const char16_t code = unit.unicode();
            if (isLatin(code)) {
                qreal& advance = m_latin[code];
                if (advance < 0)
                    advance = m_metrics.horizontalAdvance(unit);
                total += advance;
            } else {
                total += other(code, QString(unit));
                latin = false;
            }
        }
        return {total, latin};
    }

private:
    qreal other(char32_t code, const QString& character) {
        auto found = m_others.constFind(code);
        if (found == m_others.cend())
            found = m_others.insert(code, m_metrics.horizontalAdvance(character));
        return found.value();
    }

    QFontMetricsF m_metrics;
    std::array<qreal, kLatinEnd> m_latin;
    QHash<char32_t, qreal> m_others;
};

}  // namespace

WidestText widestText(const QStringList& texts, const QFont& font) {
    Advances advances(font);
    // The rank of each row: the most its text may lay out to, as far as the sums tell.
    std::vector<std::pair<qreal, int>> ranks;
    ranks.reserve(static_cast<std::size_t>(texts.size()));
    for (int row = 0; row < texts.size(); ++row) {
        const auto [sum, latin] = advances.sum(texts[row]);
        ranks.emplace_back(sum * (latin ? kLatinWidening : kOtherWidening) + 1, row);
    }
    std::stable_sort(ranks.begin(), ranks.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });

    const QFontMetrics metrics(font);
    QHash<QString, int> laidOut;
    WidestText widest;
    int widestWidth = -1;
    for (const auto& [rank, row] : ranks) {
        if (rank < widestWidth)
            break;
        const QString& text = texts[row];
        auto found = laidOut.constFind(text);
        if (found == laidOut.cend()) {
            // Laying out (itemising, shaping) costs far more than adding up advances, and
            // stacked combining marks cost milliseconds per text (see MaxProcessTextLength):
            // with texts held to that length, this bound keeps one fit to a few tens of
            // milliseconds at worst.
            if (widest.layouts == kMaxFitLayouts)
                break;
            found = laidOut.insert(text, metrics.horizontalAdvance(text));
            ++widest.layouts;
        }
        if (found.value() > widestWidth || (found.value() == widestWidth && row < widest.row)) {
            widestWidth = found.value();
            widest.row = row;
        }
    }
    return widest;
}

}  // namespace pelorus::app
