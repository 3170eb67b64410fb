// The watch-table row of a file or web event record, as both programs build it when
// they load their list: whether the file is watched for changes and its state now,
// the counters in 10-second ticks. ConvertError when a number field is not one.
#pragma once

#include "eventlist/csv_data_set.h"
#include "execution/condition_watcher.h"

namespace orvalo {

// From the table's current record.
WatchRow watchRowFromRecord(const CsvDataSet& list, LocalMoment now);

}  // namespace orvalo
