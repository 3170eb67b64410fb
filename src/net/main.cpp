// orvalo-net: the network helper. OrvaloS, the window and orvaloctl start it for
// each web page and each mail, so libcurl and the TLS libraries it pulls in are
// never loaded by the resident service. Run by root, it gives up root for the
// "nobody" user before it reads its request: a page from the network is then never
// fetched with more rights than it needs.
//
//   orvalo-net fetch|mail|smtp-test   < request (net_request.h)
//
// The page (fetch) or the reason of a failure (mail, smtp-test) goes to standard
// output; the exit status is one of net_request.h's.
#include <cerrno>
#include <cstdio>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <string_view>
#include <sys/prctl.h>
#include <unistd.h>

#include "execution/net_request.h"
#include "net/curl_transfers.h"

namespace {

using namespace orvalo;

bool dropRoot() {
    if (::geteuid() != 0) return true;
    uid_t uid = 65534;
    gid_t gid = 65534;
    if (const passwd* nobody = ::getpwnam("nobody")) {
        uid = nobody->pw_uid;
        gid = nobody->pw_gid;
    }
    return ::setgroups(0, nullptr) == 0 && ::setgid(gid) == 0 && ::setuid(uid) == 0 && ::setuid(0) != 0 &&
           ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0;
}

std::string readAll(std::FILE* in) {
    std::string text;
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, in)) > 0;) text.append(buffer, n);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: orvalo-net fetch|mail|smtp-test < request\n", stderr);
        return kNetBadRequest;
    }
    if (!dropRoot()) {
        std::fputs("cannot give up root for the user nobody", stdout);
        return kNetFailed;
    }
    const std::optional<NetRequest> request = decodeNetRequest(readAll(stdin));
    if (!request) return kNetBadRequest;
    const std::string_view what = argv[1];
    if (what == "fetch") return fetchTransfer(*request, stdout);
    if (what == "mail") return mailTransfer(*request, stdout);
    if (what == "smtp-test") return smtpTestTransfer(*request, stdout);
    return kNetBadRequest;
}
