#include "app/Preview.h"

#include <QStringList>

#include <optional>
#include <string>

#include "app/Controls.h"
#include "app/EquipmentSet.h"
#include "stats/Ranking.h"
#include "stats/SiteText.h"
#include "stats/StatChanges.h"

namespace velmora {

namespace {

// A preview's lines for a tooltip: gains and losses told apart by colour as well as by sign.
QString moveLines(const std::vector<StatMove> &moves)
{
    if (moves.empty())
        return QStringLiteral("변화 없음");
    QStringList lines;
    for (const StatMove &move : moves) {
        const QString line = qs(move.line).toHtmlEscaped();
        if (move.direction > 0)
            lines << QStringLiteral("<span style='color:#1a7f37'>%1</span>").arg(line);
        else if (move.direction < 0)
            lines << QStringLiteral("<span style='color:#cf222e'>%1</span>").arg(line);
        else
            lines << line;
    }
    return lines.join(QStringLiteral("<br>"));
}

} // namespace

StatTotals captionsFor(const EquipmentSet &set, const std::vector<EquipmentRow> &rows)
{
    std::vector<std::string> statTexts;
    statTexts.reserve(rows.size());
    for (const EquipmentRow &row : rows)
        statTexts.push_back(row.statText);
    return calculateExpectedStats(statTexts, set.bonus());
}

PreviewText describePreview(const EquipmentSet &set, const EquipmentRow &item)
{
    // Measured against what 계산 would show now, whether or not it was clicked; the numbers are
    // the ranking table's, from the same baseline.
    const SetBaseline baseline(set.equipmentRows(), set.bonus());
    const StatTotals &now = baseline.now();
    std::optional<StatTotals> replaced;
    std::string replacedName;
    if (const std::optional<std::size_t> position = baseline.firstOfKind(item.kind)) {
        replacedName = baseline.rows()[*position].itemName;
        replaced = baseline.replacing(*position, item);
    }
    const StatTotals added = baseline.added(item);
    const std::optional<StatTotals> &reference = set.reference();

    const PreviewReplacement replacement{replacedName, replaced ? *replaced : added};
    PreviewText text;
    text.status = qs(previewStatus(item.itemName, item.grade, now, added, replaced ? &replacement : nullptr,
                                   reference ? &*reference : nullptr));
    text.tooltip = QStringLiteral("<p style='white-space:pre'><b>%1</b><br>%2")
                       .arg(QStringLiteral("미리보기 %1 (%2)").arg(qs(isolate(item.itemName)), qs(item.grade)).toHtmlEscaped(),
                            moveLines(statMoves(now, added)));
    if (replaced)
        text.tooltip += QStringLiteral("<br><br><b>%1</b><br>%2")
                            .arg(QStringLiteral("%1 대신:").arg(qs(isolate(replacedName))).toHtmlEscaped(),
                                 moveLines(statMoves(now, *replaced)));
    if (reference)
        text.tooltip += QStringLiteral("<br><br><b>기준 대비:</b><br>%1").arg(moveLines(statMoves(*reference, added)));
    text.tooltip += QStringLiteral("</p>");
    return text;
}

} // namespace velmora
