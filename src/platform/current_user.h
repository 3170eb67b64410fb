// The user this process runs as, for names that must differ between users (the
// window's single-instance lock and socket).
#pragma once

namespace orvalo {

unsigned currentUserId();

}  // namespace orvalo
