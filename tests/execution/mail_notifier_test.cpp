#include "execution/mail_notifier.h"

#include <gtest/gtest.h>
#include <thread>

#include "execution/mail_address.h"
#include "platform/host_name.h"
#include "support/python_server.h"
#include "support/silent_server.h"
#include "support/temp_folder.h"

namespace orvalo {
namespace {

// A mail notifier logging into a fresh folder, and a real SMTP server storing what
// it receives into another.
class MailNotifierTest : public ::testing::Test {
protected:
    MailSettings settingsFor(const test::PythonServer& server, const std::string& login = "",
                             const std::string& password = "") {
        return {"orvalo@example.org", password, "Orvalo Bot", login, "127.0.0.1:" + std::to_string(server.port())};
    }
    std::vector<std::string> logLines() {
        std::vector<std::string> lines;
        const std::string text = test::readFile(log_.path());
        for (std::size_t start = 0; start < text.size();) {
            const auto end = text.find("\r\n", start);
            const std::string line = text.substr(start, end - start);
            // Drop "<date>:<time>:" of the C locale, e.g. "12/11/26:03:54:09:".
            lines.push_back(line.substr(18));
            start = end + 2;
        }
        return lines;
    }
    std::string mail(int n) { return test::readFile(inbox_ / ("mail" + std::to_string(n) + ".txt")); }

    test::TempFolder folder_;
    test::TempFolder inbox_;
    const LocalTimeFormat c_{"C"};
    LogFile log_{folder_ / "slog.txt", SystemClock::instance(), c_};
};

TEST_F(MailNotifierTest, SendsOneMessageToEveryRecipient) {
    test::PythonServer smtp("smtp_server.py", {inbox_.path().string()});
    MailNotifier notifier(log_, MailNotifier::kServiceSubject, true);
    notifier.setSettings(settingsFor(smtp));
    notifier.send("ops@example.org, night@example.org", "Run event3 Execute command:backup Wait for terminate:5 mins.");

    const std::string received = mail(1);
    EXPECT_NE(received.find("FROM orvalo@example.org\nTO ops@example.org,night@example.org\nUSER \n"), std::string::npos)
        << received;
    EXPECT_NE(received.find("From: Orvalo Bot <orvalo@example.org>"), std::string::npos);
    EXPECT_NE(received.find("To: ops@example.org, night@example.org"), std::string::npos);
    EXPECT_NE(received.find("Subject: Info - Orvalo(Service)"), std::string::npos);
    EXPECT_NE(received.find("X-Mailer: agent"), std::string::npos);
    EXPECT_NE(received.find("\r\n\r\n" + computerName() +
                            "\r\n send info :Run event3 Execute command:backup Wait for terminate:5 mins.\r\n"),
              std::string::npos)
        << received;
    EXPECT_EQ(logLines(), (std::vector<std::string>{
                              "Odeslani e-mailu start.",
                              "Odeslani e-mailu:OK ...Body:Run event3 Execute command:backup Wait for terminate:5 mins.",
                              "Odeslani e-mailu konec."}));
}

TEST_F(MailNotifierTest, LogsInWithAuthLoginWhenALoginIsSet) {
    test::PythonServer smtp("smtp_server.py", {inbox_.path().string(), "login"});
    MailNotifier notifier(log_, MailNotifier::kManagerSubject, false);
    notifier.setSettings(settingsFor(smtp, "bot", "secret"));
    notifier.send("ops@example.org", "first");
    EXPECT_NE(mail(1).find("USER bot\n"), std::string::npos) << mail(1);
    EXPECT_NE(mail(1).find("Subject: Info - Orvalo\r\n"), std::string::npos);

    notifier.setSettings(settingsFor(smtp, "bot", "wrong"));
    notifier.send("ops@example.org", "second");
    notifier.setSettings(settingsFor(smtp));  // no login: the server wants one
    notifier.send("ops@example.org", "third");
    EXPECT_FALSE(std::filesystem::exists(inbox_ / "mail2.txt"));
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Odeslani e-mailu:OK ...Body:first",
                                                    "Odeslani e-mailu:chyba... Body:second",
                                                    "Odeslani e-mailu:chyba... Body:third"}));
}

TEST_F(MailNotifierTest, AnUnreachableServerIsAFailedMailNotAnError) {
    MailNotifier notifier(log_, MailNotifier::kServiceSubject, true);
    notifier.setSettings({"orvalo@example.org", "", "Orvalo", "", "127.0.0.1:1"});
    EXPECT_NO_THROW(notifier.send("ops@example.org", "text"));
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Odeslani e-mailu start.", "Odeslani e-mailu:chyba... Body:text",
                                                    "Odeslani e-mailu konec."}));
}

TEST_F(MailNotifierTest, AServerThatRefusesIsAFailedMailAndAClearTestResult) {
    test::PythonServer refusing("refusing_smtp_server.py", {});
    MailNotifier notifier(log_, MailNotifier::kServiceSubject, true);
    notifier.setSettings(settingsFor(refusing));
    EXPECT_NO_THROW(notifier.send("ops@example.org", "text"));
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Odeslani e-mailu start.", "Odeslani e-mailu:chyba... Body:text",
                                                    "Odeslani e-mailu konec."}));
    const std::string outcome = MailNotifier::testConnection(settingsFor(refusing));
    EXPECT_EQ(outcome.rfind("ERROR: ", 0), 0u) << outcome;
}

TEST_F(MailNotifierTest, TheConnectionTestSaysWhetherTheServerAnswers) {
    test::PythonServer smtp("smtp_server.py", {inbox_.path().string()});
    EXPECT_EQ(MailNotifier::testConnection(settingsFor(smtp)), "Nastavení v pořádku.");
    EXPECT_EQ(MailNotifier::testConnection({"a@b", "", "", "", "127.0.0.1:1"}), "ERROR: Couldn't connect to server");
    EXPECT_EQ(MailNotifier::testConnection({}), "ERROR: no SMTP server is set");
}

// The recipient text is an address list: each RCPT gets a bare address, the To
// header shows the list as given.
TEST_F(MailNotifierTest, NamedAndQuotedRecipientsEachGetTheMail) {
    test::PythonServer smtp("smtp_server.py", {inbox_.path().string()});
    MailNotifier notifier(log_, MailNotifier::kServiceSubject, true);
    notifier.setSettings(settingsFor(smtp));
    const std::string list = "Bob Smith <bob@x.org>, \"Doe, Jane\" <jane@y.org>, c@y.org";
    notifier.send(list, "text");
    const std::string received = mail(1);
    EXPECT_NE(received.find("TO bob@x.org,jane@y.org,c@y.org\n"), std::string::npos) << received;
    EXPECT_NE(received.find("To: " + list + "\r\n"), std::string::npos) << received;
}

TEST_F(MailNotifierTest, AnIpv6ServerIsReachedInBrackets) {
    test::PythonServer smtp("smtp_server.py", {inbox_.path().string(), "ipv6"});
    MailNotifier notifier(log_, MailNotifier::kManagerSubject, false);
    MailSettings settings = settingsFor(smtp);
    settings.smtpServer = "[::1]:" + std::to_string(smtp.port());
    notifier.setSettings(settings);
    notifier.send("ops@example.org", "text");
    EXPECT_NE(mail(1).find("TO ops@example.org\n"), std::string::npos);
    EXPECT_EQ(MailNotifier::testConnection(settings), "Nastavení v pořádku.");
}

// Posting returns at once; abort() ends a transfer to a server that never answers
// within about a second, and every mail still gets its lines.
TEST_F(MailNotifierTest, PostedMailsNeverWaitAndAnAbortEndsThem) {
    test::SilentServer dead;
    MailNotifier notifier(log_, MailNotifier::kServiceSubject, true);
    notifier.setSettings({"orvalo@example.org", "", "Orvalo", "", "127.0.0.1:" + std::to_string(dead.port())});
    const auto posted = std::chrono::steady_clock::now();
    notifier.post("ops@example.org", "first");
    notifier.post("ops@example.org", "second");
    EXPECT_LT(std::chrono::steady_clock::now() - posted, std::chrono::milliseconds(500));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto aborted = std::chrono::steady_clock::now();
    notifier.abort();
    notifier.drain();
    EXPECT_LT(std::chrono::steady_clock::now() - aborted, std::chrono::seconds(3));
    EXPECT_EQ(logLines(), (std::vector<std::string>{"Odeslani e-mailu start.", "Odeslani e-mailu:chyba... Body:first",
                                                    "Odeslani e-mailu konec.", "Odeslani e-mailu start.",
                                                    "Odeslani e-mailu:chyba... Body:second", "Odeslani e-mailu konec."}));
}

TEST(MailAddresses, AddressListsNamesAndServers) {
    const std::vector<std::pair<std::string, std::vector<std::string>>> lists = {
        {"a@x.org", {"a@x.org"}},
        {" a@x.org , b@y.org,", {"a@x.org", "b@y.org"}},
        {"Bob Smith <bob@x.org>, c@y.org", {"bob@x.org", "c@y.org"}},
        {"\"Doe, Jane\" <jane@y.org>", {"jane@y.org"}},
        {"\"a \\\" b, c\" <q@x.org>, d@x.org (Dee, at work)", {"q@x.org", "d@x.org"}},
        {"<bare@x.org>", {"bare@x.org"}},
        {"no address <>, white space@x.org, e@x.org", {"e@x.org"}},
        {"", {}},
    };
    for (const auto& [list, addresses] : lists) EXPECT_EQ(mailboxAddresses(list), addresses) << list;

    const std::vector<std::pair<std::string, std::string>> names = {
        {"Orvalo Bot", "Orvalo Bot"},
        {"Smith, Bob", "\"Smith, Bob\""},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"Jiří Novák", "=?UTF-8?B?SmnFmcOtIE5vdsOhaw==?="},
        {"", ""},
        {"a\r\nBcc: x@y", "\"a  Bcc: x@y\""},
    };
    for (const auto& [name, phrase] : names) EXPECT_EQ(displayNamePhrase(name), phrase) << name;
    // A long name becomes several encoded words of at most 75 characters.
    const std::string longName = displayNamePhrase(std::string(40, 'x') + "é" + std::string(40, 'y'));
    for (std::size_t start = 0; start < longName.size();) {
        const auto end = std::min(longName.find(' ', start), longName.size());
        EXPECT_LE(end - start, 75u);
        start = end + 1;
    }

    const std::vector<std::pair<std::string, std::string>> servers = {
        {"mail.x.org", "smtp://mail.x.org:25"},     {"mail.x.org:2525", "smtp://mail.x.org:2525"},
        {"10.0.0.1", "smtp://10.0.0.1:25"},         {"::1", "smtp://[::1]:25"},
        {"[::1]:2525", "smtp://[::1]:2525"},        {"[fe80::1]", "smtp://[fe80::1]:25"},
        {" mail.x.org ", "smtp://mail.x.org:25"},
    };
    for (const auto& [server, url] : servers) EXPECT_EQ(smtpUrl(server), url) << server;
}

TEST(MailMessage, EveryBodyLineEndsInCrLf) {
    const std::string message =
        MailNotifier::composeMessage({"a@b.org", "", "A", "", "h"}, "x@y.org", "S", "host", "one\ntwo\rthree\r\nfour");
    const std::string body = message.substr(message.find("\r\n\r\n") + 4);
    EXPECT_EQ(body, "host\r\n send info :one\r\ntwo\r\nthree\r\nfour\r\n");
}

TEST(MailMessage, LineBreaksCannotForgeHeaders) {
    const MailSettings evil{"a@b.org\r\nBcc: victim@example.org", "", "Name\r\nBcc: other@example.org", "", "h"};
    const std::string message = MailNotifier::composeMessage(evil, "x@y.org\nBcc: third@example.org", "Subj\r\nBcc: s@t",
                                                             "host", "text");
    const std::string headers = message.substr(0, message.find("\r\n\r\n"));
    EXPECT_EQ(headers.find("\r\nBcc:"), std::string::npos) << headers;
    EXPECT_EQ(headers.find("\nBcc:"), std::string::npos) << headers;
}

}  // namespace
}  // namespace orvalo
