#include "AttemptChartPanel.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QHBoxLayout>
#include <QLabel>
#include <QStackedBarSeries>
#include <QVBoxLayout>
#include <QValueAxis>

#include "AttemptsTexts.h"
#include "MakeOwned.h"
#include "common/widgets/QtText.h"
#include "console/commands/AttemptBrowser.h"
#include "console/commands/AttemptRows.h"

namespace mireval::ui {

namespace {

// The outcome's colour, the same as its rows' in the list.
QColor ColourOf(const std::string& outcome) {
    switch (MarkOf(outcome)) {
        case OutcomeMark::Granted:
            return QColor(0x2e, 0x7d, 0x32);
        case OutcomeMark::Denied:
            return QColor(0xc6, 0x28, 0x28);
        case OutcomeMark::Unregistered:
            return QColor(0x75, 0x75, 0x75);
        case OutcomeMark::Error:
            return QColor(0xef, 0x8f, 0x00);
        case OutcomeMark::Other:
            break;
    }
    return QColor(0x5c, 0x6b, 0xc0);
}

QString CountText(const std::string& outcome, std::int64_t count) {
    return common::FromUtf8(outcome + ": " + SpanishNumber(count));
}

}  // namespace

AttemptChartPanel::AttemptChartPanel(QWidget* parent) : QWidget(parent) {
    // The view owns the chart once given it.
    auto chart = std::make_unique<QChart>();
    m_chart = chart.get();
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_chart->setTitle(QString::fromUtf8(texts::kChartTitle));
    m_view = MakeOwned<QChartView>(this, chart.release());
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setAccessibleName(QString::fromUtf8(texts::kChartName));
    m_view->setMinimumSize(320, 200);

    auto dayAxis = std::make_unique<QBarCategoryAxis>();
    m_days = dayAxis.get();
    m_chart->addAxis(dayAxis.release(), Qt::AlignBottom);  // the chart owns its axes
    auto countAxis = std::make_unique<QValueAxis>();
    m_amounts = countAxis.get();
    m_amounts->setLabelFormat(QStringLiteral("%d"));
    m_chart->addAxis(countAxis.release(), Qt::AlignLeft);

    auto counts = std::make_unique<QVBoxLayout>();
    auto* caption = MakeOwned<QLabel>(this, QString::fromUtf8(texts::kCountsCaption));
    counts->addWidget(caption);
    for (int i = 0; i < 4; ++i) {
        m_counts.push_back(MakeOwned<QLabel>(this));
        counts->addWidget(m_counts.back());
    }
    m_total = MakeOwned<QLabel>(this);
    m_undated = MakeOwned<QLabel>(this);
    counts->addWidget(m_total);
    counts->addWidget(m_undated);
    counts->addStretch(1);

    auto* whole = MakeOwned<QHBoxLayout>(this);
    whole->addWidget(m_view, 1);
    whole->addLayout(counts.release());  // the panel's layout owns it
}

void AttemptChartPanel::Show(const AttemptChart& chart) {
    m_chart->removeAllSeries();
    auto series = std::make_unique<QStackedBarSeries>();
    for (std::size_t o = 0; o < chart.outcomes.size(); ++o) {
        auto* bars = MakeOwned<QBarSet>(series.get(), common::FromUtf8(chart.outcomes[o]));
        bars->setColor(ColourOf(chart.outcomes[o]));
        for (std::int64_t count : chart.counts[o]) {
            bars->append(static_cast<qreal>(count));
        }
        series->append(bars);
    }
    QStringList days;
    std::int64_t highest = 0;
    for (std::size_t d = 0; d < chart.days.size(); ++d) {
        days << common::FromUtf8(ShortDay(chart.days[d]));
        std::int64_t stacked = 0;
        for (const auto& perDay : chart.counts) {
            stacked += perDay[d];
        }
        highest = std::max(highest, stacked);
    }
    m_days->clear();
    m_days->append(days);
    // More than a fortnight: the labels stand upright (and small for months), so each bar
    // keeps its own.
    m_days->setLabelsAngle(days.size() > 14 ? -90 : 0);
    QFont labels = font();
    if (days.size() > 31) {
        labels.setPointSizeF(labels.pointSizeF() * 0.7);
    }
    m_days->setLabelsFont(labels);
    m_amounts->setRange(0, static_cast<qreal>(std::max<std::int64_t>(highest, 1)));
    m_amounts->applyNiceNumbers();
    QStackedBarSeries* shown = series.get();
    m_chart->addSeries(series.release());  // the chart owns its series
    shown->attachAxis(m_days);
    shown->attachAxis(m_amounts);

    std::int64_t total = 0;
    QStringList spoken;
    for (std::size_t o = 0; o < chart.outcomes.size() && o < m_counts.size(); ++o) {
        m_counts[o]->setText(CountText(chart.outcomes[o], chart.totals[o]));
        spoken << m_counts[o]->text();
    }
    for (std::int64_t count : chart.totals) {
        total += count;
    }
    m_total->setText(common::FromUtf8("Total: " + SpanishNumber(total)));
    m_undated->setText(chart.undated == 0
                           ? QString()
                           : common::FromUtf8("Sin fecha válida: " + SpanishNumber(chart.undated)));
    m_view->setAccessibleDescription(m_total->text() + QStringLiteral("; ") +
                                     spoken.join(QStringLiteral("; ")));
}

QStringList AttemptChartPanel::CountTexts() const {
    QStringList texts;
    for (const QLabel* label : m_counts) {
        texts << label->text();
    }
    texts << m_total->text();
    return texts;
}

std::vector<std::vector<qint64>> AttemptChartPanel::BarValues() const {
    std::vector<std::vector<qint64>> values;
    for (QAbstractSeries* series : m_chart->series()) {
        for (const QBarSet* bars : static_cast<QStackedBarSeries*>(series)->barSets()) {
            values.emplace_back();
            for (int i = 0; i < bars->count(); ++i) {
                values.back().push_back(static_cast<qint64>(bars->at(i)));
            }
        }
    }
    return values;
}

QStringList AttemptChartPanel::BarDays() const {
    for (QAbstractAxis* axis : m_chart->axes(Qt::Horizontal)) {
        if (auto* days = qobject_cast<QBarCategoryAxis*>(axis)) {
            return days->categories();
        }
    }
    return {};
}

}  // namespace mireval::ui
