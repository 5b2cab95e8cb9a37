#include "app/ui/batch_status.h"

#include <QCoreApplication>

#include "app/ui/conversion_list.h"
#include "app/ui/list_texts.h"

namespace zentrova::ui {
namespace {

QString Tr(const char* text) {
  return QCoreApplication::translate("TBatchStatus", text);
}

double RowFraction(const TConversionRow& row) {
  if (row.Outcome != TRowOutcome::Waiting) return 1.0;
  return row.Ran && row.Percent > 0 ? row.Percent / 100.0 : 0.0;
}

}  // namespace

double BatchFraction(const TConversionList& list) {
  if (list.Count() == 0) return 0.0;
  bool durations_known = true;
  for (int i = 0; i < list.Count(); ++i) durations_known = durations_known && list.Row(i).InputDuration > 0;
  double done = 0.0;
  double all = 0.0;
  for (int i = 0; i < list.Count(); ++i) {
    const TConversionRow& row = list.Row(i);
    const double weight = durations_known ? static_cast<double>(row.InputDuration) : 1.0;
    done += RowFraction(row) * weight;
    all += weight;
  }
  return all > 0 ? done / all : 0.0;
}

QString BatchStatusText(const TConversionList& list, std::int64_t elapsed_ms, TBatchRun run) {
  const int count = list.Count();
  if (count == 0) return QCoreApplication::translate("TBatchStatus", "No files in the list");
  if (elapsed_ms < 0)
    return QCoreApplication::translate("TBatchStatus", "%1 files ready to convert").arg(count);
  const double fraction = BatchFraction(list);
  QString text =
      QCoreApplication::translate("TBatchStatus", "%1 of %2 files done").arg(list.EndedCount()).arg(count) +
      QStringLiteral(" · ") + QStringLiteral("%1%").arg(static_cast<int>(fraction * 100));
  if (run != TBatchRun::Ended) {
    // Estimated from the pace so far, once there is a pace to go by.
    if (run == TBatchRun::Going && fraction >= 0.01 && fraction < 1.0) {
      const auto left_ms =
          static_cast<std::int64_t>(static_cast<double>(elapsed_ms) * (1.0 - fraction) / fraction);
      text += QStringLiteral(" · ") +
              QCoreApplication::translate("TBatchStatus", "%1 left").arg(MediaTimeText(left_ms * 1000));
    }
    return text;
  }
  int tally[5] = {};
  for (int i = 0; i < count; ++i) ++tally[static_cast<int>(list.Row(i).Outcome)];
  const std::pair<TRowOutcome, const char*> kinds[] = {
      {TRowOutcome::Converted, QT_TRANSLATE_NOOP("TBatchStatus", "%1 converted")},
      {TRowOutcome::Stopped, QT_TRANSLATE_NOOP("TBatchStatus", "%1 stopped")},
      {TRowOutcome::Incomplete, QT_TRANSLATE_NOOP("TBatchStatus", "%1 incomplete")},
      {TRowOutcome::Failed, QT_TRANSLATE_NOOP("TBatchStatus", "%1 failed")}};
  for (const auto& [outcome, words] : kinds)
    if (const int n = tally[static_cast<int>(outcome)]; n > 0)
      text += QStringLiteral(" · ") + Tr(words).arg(n);
  return text + QStringLiteral(" · ") +
         QCoreApplication::translate("TBatchStatus", "took %1").arg(MediaTimeText(elapsed_ms * 1000));
}

}  // namespace zentrova::ui
