// The manager's colours.
#pragma once

#include <QColor>

namespace orvalo::colors {

inline const QColor kApplicationWindow{152, 180, 209};  // #98B4D1
inline const QColor kServiceWindow{150, 222, 139};      // #96DE8B
inline const QColor kRunLabel{0, 255, 0};                // lime
inline const QColor kChangesPending{255, 0, 0};
inline const QColor kNoChanges{192, 192, 192};           // silver
inline const QColor kDisabledCell{255, 153, 128};        // #FF9980
inline const QColor kGoodCell{174, 252, 173};            // #AEFCAD
inline const QColor kWaitingCell{247, 251, 143};         // #F7FB8F
inline const QColor kFailedCell{255, 110, 110};          // a run that did not end well
inline const QColor kDialogPanel{194, 211, 228};
inline const QColor kWebDialog{0, 255, 255};             // aqua

}  // namespace orvalo::colors
