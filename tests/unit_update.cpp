// The update check without a window: comparing versions, reading the update
// document, and downloading it from a server on the loopback interface, also
// from servers that stall, flood or redirect.
#include "support/local_http.h"
#include "support/test_support.h"
#include "update/updatecheck.h"

#include <wx/mstream.h>

#include <signal.h>
#include <sys/wait.h>

#include <map>
#include <thread>

namespace {

wxString FromDocument(const std::string& xml) {
    wxMemoryInputStream stream(xml.data(), xml.size());
    return FindVersionInUpdateDocument(stream);
}

std::string Announce(const std::string& children) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<updates>\n" + children + "</updates>\n";
}

std::string Product(const std::string& version) {
    return "  <product name=\"Marvolent Loopwright\" version=\"" + version + "\"/>\n";
}

TEST(CompareVersions, OrdersByTheNumbersOfEachPart) {
    EXPECT_LT(CompareVersions("1.0.80", "1.0.81"), 0);
    EXPECT_LT(CompareVersions("1.0.80", "1.1.0"), 0);
    EXPECT_LT(CompareVersions("1.0.80", "2.0.0"), 0);
    // Numbers, not characters: 100 is after 80, 8 before it.
    EXPECT_LT(CompareVersions("1.0.80", "1.0.100"), 0);
    EXPECT_GT(CompareVersions("1.0.80", "1.0.8"), 0);
    EXPECT_GT(CompareVersions("1.0.80", "1.0.79"), 0);
    EXPECT_GT(CompareVersions("1.0.80", "0.9.999"), 0);
    EXPECT_LT(CompareVersions("9.9.9", "10.0.0"), 0);
    EXPECT_LT(CompareVersions("1.0.999", "1.1"), 0);
}

TEST(CompareVersions, SameVersionWrittenDifferentlyIsEqual) {
    EXPECT_EQ(CompareVersions("1.0.80", "1.0.80"), 0);
    EXPECT_EQ(CompareVersions("1.0.80", "1.00.080"), 0);
    EXPECT_EQ(CompareVersions("1.1", "1.1.0"), 0);
    EXPECT_EQ(CompareVersions("2", "2.0.0"), 0);
    EXPECT_LT(CompareVersions("1.0.80", "1.1"), 0);
    EXPECT_GT(CompareVersions("1.0.80", "1"), 0);
}

TEST(CompareVersions, TextThatIsNoVersionIsNeverNewer) {
    const char* const malformed[] = {"",         "abc",      "1.0.81beta", "1..81",   ".1.0",
                                     "1.0.",     "1.0.81.1", "1000.0.0",   "-1.0.81", " 1.0.81",
                                     "1.0.81 ",  "1,0,81",   "v1.0.81",    "1.0.0081x",
                                     "\xef\xbc\x92.0.0"};  // a full-width digit 2
    for (const char* text : malformed) {
        const wxString version = wxString::FromUTF8(text);
        EXPECT_FALSE(IsVersionText(version)) << text;
        EXPECT_GT(CompareVersions("1.0.80", version), 0) << text;
        EXPECT_LT(CompareVersions(version, "0.0.1"), 0) << text;
    }
    EXPECT_EQ(CompareVersions("", "x"), 0);
    for (const char* text : {"1.0.80", "0", "999.999.999", "0001.0.0"})
        EXPECT_TRUE(IsVersionText(text)) << text;
}

TEST(UpdateDocument, AnnouncesTheVersionFollowingTheProductName) {
    EXPECT_EQ(FromDocument(Announce(Product("1.0.81"))), "1.0.81");
    // Attribute and element names are free; other products do not count.
    EXPECT_EQ(FromDocument(Announce("  <other a=\"Marvolent Framewright\" b=\"9.9.9\"/>\n"
                                    "  <x id=\"7\" p=\"Marvolent Loopwright\" q=\"1.2.3\" r=\"z\"/>\n")),
              "1.2.3");
    // The pair must be adjacent: the value after the name is the version.
    EXPECT_EQ(FromDocument(Announce("  <p n=\"Marvolent Loopwright\" date=\"2026\" v=\"1.0.81\"/>\n")),
              "2026");
}

TEST(UpdateDocument, MatchesTheNameExactly) {
    EXPECT_EQ(FromDocument(Announce("  <p n=\"marvolent loopwright\" v=\"1.0.81\"/>\n")), "");
    EXPECT_EQ(FromDocument(Announce("  <p n=\"Marvolent Loopwright \" v=\"1.0.81\"/>\n")), "");
    EXPECT_EQ(FromDocument(Announce("  <p n=\"Marvolent+Loopwright\" v=\"1.0.81\"/>\n")), "");
    // The name as the last attribute has no version after it.
    EXPECT_EQ(FromDocument(Announce("  <p v=\"1.0.81\" n=\"Marvolent Loopwright\"/>\n")), "");
}

TEST(UpdateDocument, TheLastMatchingChildDecides) {
    EXPECT_EQ(FromDocument(Announce(Product("1.0.90") + Product("1.0.81"))), "1.0.81");
    EXPECT_EQ(FromDocument(Announce(Product("1.0.81") + "  <p n=\"other\" v=\"5\"/>\n")), "1.0.81");
    // An empty version at the end wins as well: the check then fails.
    EXPECT_EQ(FromDocument(Announce(Product("1.0.81") + Product(""))), "");
}

TEST(UpdateDocument, LooksOnlyAtTheRootsChildren) {
    EXPECT_EQ(FromDocument(Announce("  <group>\n  " + Product("1.0.81") + "  </group>\n")), "");
    EXPECT_EQ(FromDocument("<product name=\"Marvolent Loopwright\" version=\"1.0.81\"/>"), "");
    // Text, comments and processing instructions among the children are passed over.
    EXPECT_EQ(FromDocument(Announce("  text <!-- note -->\n  <?pi x?>\n" + Product("1.0.81"))),
              "1.0.81");
}

TEST(UpdateDocument, BrokenDocumentsAnnounceNothing) {
    EXPECT_EQ(FromDocument(""), "");
    EXPECT_EQ(FromDocument("not xml at all"), "");
    EXPECT_EQ(FromDocument("<updates>" + Product("1.0.81")), "");  // no closing tag
    const std::string whole = Announce(Product("1.0.81"));
    EXPECT_EQ(FromDocument(whole.substr(0, whole.size() / 2)), "");
    EXPECT_EQ(FromDocument(std::string("<u>\0<p/></u>", 12)), "");
    EXPECT_EQ(FromDocument("<u><p n=\"Marvolent Loopwright\" v=\"1.0.81\" n=\"x\"/></u>"), "");
    // A stream that cannot be read at all.
    wxMemoryInputStream broken("", 0);
    char byte;
    broken.Read(&byte, 1);
    ASSERT_FALSE(broken.IsOk());
    EXPECT_EQ(FindVersionInUpdateDocument(broken), "");
}

TEST(UpdateDocument, IsReadAsUtf8) {
    // A name with non-ASCII characters before the product's own entry.
    EXPECT_EQ(FromDocument(Announce("  <p n=\"Marvolent Boucl\xc3\xa9\" v=\"3.0\"/>\n" +
                                    Product("1.0.81"))),
              "1.0.81");
}

wxString Download(const std::string& address, long deadlineMs = 5000) {
    UpdateFetchRequest request;
    request.url = address;
    request.deadlineMs = deadlineMs;
    return DownloadUpdateVersion(request);
}

TEST(UpdateDownload, ReadsTheVersionFromTheServer) {
    lwtest::LocalHttpServer server(lwtest::HttpResponse(Announce(Product("1.0.81"))));
    ASSERT_TRUE(server.IsRunning());
    EXPECT_EQ(Download(server.Url("/loopwright-update.xml")), "1.0.81");
    ASSERT_EQ(server.RequestLines().size(), 1u);
    EXPECT_EQ(server.RequestLines()[0].rfind("GET /loopwright-update.xml HTTP/1.", 0), 0u)
        << server.RequestLines()[0];
}

TEST(UpdateDownload, FailsOnAnErrorStatusOrABrokenDocument) {
    {
        lwtest::LocalHttpServer server(
            lwtest::HttpResponse(Announce(Product("1.0.81")), "404 Not Found"));
        EXPECT_EQ(Download(server.Url("/u.xml")), "");
        EXPECT_EQ(server.RequestLines().size(), 1u);
    }
    {
        lwtest::LocalHttpServer server(lwtest::HttpResponse("<updates><product"));
        EXPECT_EQ(Download(server.Url("/u.xml")), "");
    }
    {
        lwtest::LocalHttpServer server("garbage\r\n\r\n");
        EXPECT_EQ(Download(server.Url("/u.xml")), "");
    }
    {
        // The head promises more than arrives before the connection closes.
        const std::string body = Announce(Product("1.0.81"));
        std::string response = lwtest::HttpResponse(body);
        response.resize(response.size() - body.size() / 2);
        lwtest::LocalHttpServer server(response);
        EXPECT_EQ(Download(server.Url("/u.xml")), "");
    }
}

TEST(UpdateDownload, RefusesAnOversizedDocument) {
    const std::string padding(kUpdateDocumentLimit, ' ');
    lwtest::LocalHttpServer server(lwtest::HttpResponse(Announce(padding + Product("1.0.81"))));
    EXPECT_EQ(Download(server.Url("/u.xml")), "");
    EXPECT_EQ(server.RequestLines().size(), 1u);
}

TEST(UpdateDownload, FailsAtOnceWhenNothingListens) {
    const int port = lwtest::ClosedLoopbackPort();
    ASSERT_GT(port, 0);
    EXPECT_EQ(Download("http://127.0.0.1:" + std::to_string(port) + "/u.xml"), "");
}

TEST(UpdateDownload, GivesUpOnAServerThatNeverAnswers) {
    lwtest::LocalHttpServer server("");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Download(server.Url("/u.xml"), 1000), "");
    const auto waited = std::chrono::steady_clock::now() - start;
    // Well below the toolkit's own 60 seconds: the timeout took effect.
    EXPECT_LT(waited, std::chrono::seconds(20));
    EXPECT_EQ(server.RequestLines().size(), 1u);
}

TEST(UpdateDownload, UnusableAddressesFetchNothing) {
    const int closed = lwtest::ClosedLoopbackPort();
    const std::string port = std::to_string(closed);
    const std::vector<std::string> addresses = {
        "", "www.example.com/u.xml", "no address", "http://", "http:///u.xml", "http://:80/u.xml",
        "http://127.0.0.1:99999/u.xml", "http://127.0.0.1:port/u.xml",
        "http://[::1]:" + port + "/u.xml", "ftp://127.0.0.1:" + port + "/u.xml",
        "file:///nonexistent/u.xml", "https://127.0.0.1:1/u.xml",
        "http://user@127.0.0.1:" + port + "/u.xml", "mailto:someone@example.com"};
    for (const std::string& address : addresses) EXPECT_EQ(Download(address, 1000), "") << address;
    for (const char* address : {"", "www.example.com/u", "ftp://127.0.0.1/u", "http:///u"})
        EXPECT_FALSE(IsUsableUpdateAddress(address)) << address;
    EXPECT_TRUE(IsUsableUpdateAddress("HTTPS://127.0.0.1/u.xml"));
}

// Hostile servers: each fetch ends by its deadline (or sooner) and fails.
using Stall = std::pair<const char*, lwtest::HttpHandler>;

bool Trickle(lwtest::HttpPeer& peer, const std::string& bytes) {
    for (char byte : bytes)
        if (!peer.Send(std::string(1, byte)) || !peer.Pause(std::chrono::milliseconds(100)))
            return false;
    return true;
}

TEST(UpdateDownload, HostileServersEndWithinTheDeadlineAsAFailedCheck) {
    const std::string document = Announce(Product("1.0.81"));
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Length: " +
                             std::to_string(document.size()) + "\r\n\r\n";
    const Stall stalls[] = {
        {"slow body", [&](lwtest::HttpPeer& peer, const std::string&) {
             if (peer.Send(head)) Trickle(peer, document);
         }},
        {"slow headers", [&](lwtest::HttpPeer& peer, const std::string&) {
             Trickle(peer, head + document);
         }},
        {"endless headers", [](lwtest::HttpPeer& peer, const std::string&) {
             // Bounded here too: the client should hang up long before.
             std::string lines = "HTTP/1.1 200 OK\r\n";
             for (int i = 0; i < 100000 && peer.Send(lines); ++i)
                 lines = "X-Filler-" + std::to_string(i) + ": " + std::string(100, 'x') + "\r\n";
         }},
        {"endless body", [](lwtest::HttpPeer& peer, const std::string&) {
             std::string chunk = "HTTP/1.1 200 OK\r\n\r\n<updates>";
             for (int i = 0; i < 100000 && peer.Send(chunk); ++i) chunk = std::string(1000, ' ');
         }},
    };
    const auto deadline = std::chrono::milliseconds(1500);
    for (const auto& [name, handler] : stalls) {
        lwtest::LocalHttpServer server(handler);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(Download(server.Url("/u.xml"), deadline.count()), "") << name;
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_LT(waited, deadline + std::chrono::milliseconds(500)) << name;
        EXPECT_GE(server.RequestLines().size(), 1u) << name;
    }
}

// An https server on 127.0.0.1 (openssl's own test server) that answers each
// path with the file of that name, a whole HTTP response in which "PORT"
// stands for its port. Its certificate is trusted by the fetches of the test.
class LocalHttpsServer {
public:
    explicit LocalHttpsServer(const std::map<std::string, std::string>& files)
        : m_dir(lwtest::MakeTempDir("https")),
          m_port(std::to_string(lwtest::ClosedLoopbackPort())) {
        for (auto [name, text] : files) {
            for (size_t at; (at = text.find("PORT")) != std::string::npos;)
                text.replace(at, 4, m_port);
            lwtest::WriteFile(m_dir + "/" + name, text);
        }
        lwtest::RunProcess({"/usr/bin/openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                            "ec_paramgen_curve:prime256v1", "-nodes", "-subj", "/CN=127.0.0.1",
                            "-addext", "subjectAltName=IP:127.0.0.1", "-days", "1", "-keyout",
                            m_dir + "/key.pem", "-out", CaFile()});
        const std::string accept = "127.0.0.1:" + m_port, key = m_dir + "/key.pem", ca = CaFile();
        m_pid = fork();
        if (m_pid == 0 && chdir(m_dir.c_str()) == 0)
            execl("/usr/bin/openssl", "openssl", "s_server", "-quiet", "-HTTP", "-accept",
                  accept.c_str(), "-cert", ca.c_str(), "-key", key.c_str(), nullptr);
        if (m_pid == 0) _exit(127);
        // Ready once a client can shake hands with it.
        const std::vector<std::string> client = {"/usr/bin/openssl", "s_client", "-connect",
                                                 accept};
        for (int tries = 0; tries < 100 && lwtest::RunProcess(client).exitCode != 0; ++tries)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ~LocalHttpsServer() {
        kill(m_pid, SIGTERM);
        waitpid(m_pid, nullptr, 0);
    }
    std::string Url(const std::string& path) const { return "https://127.0.0.1:" + m_port + path; }
    std::string CaFile() const { return m_dir + "/cert.pem"; }

private:
    std::string m_dir, m_port;
    pid_t m_pid = -1;
};

TEST(UpdateDownload, HttpsFollowsAtMostThreeRedirectsAndOnlyToHttps) {
    lwtest::LocalHttpServer plain(lwtest::HttpResponse(Announce(Product("1.0.81"))));
    const std::string moved = "HTTP/1.0 302 Found\r\nLocation: ";
    const std::string hop = moved + "https://127.0.0.1:PORT/";
    LocalHttpsServer server({{"r0", hop + "r1\r\n\r\n"}, {"r1", hop + "r2\r\n\r\n"},
                             {"r2", hop + "r3\r\n\r\n"}, {"r3", hop + "u.xml\r\n\r\n"},
                             {"loop", hop + "loop\r\n\r\n"},
                             {"plain", moved + plain.Url("/") + "\r\n\r\n"},
                             {"u.xml", "HTTP/1.0 200 OK\r\n\r\n" + Announce(Product("1.0.81"))}});
    UpdateFetchRequest request;
    request.extraCaFile = server.CaFile();
    for (const auto& [path, version] : std::map<std::string, std::string>{
             {"/u.xml", "1.0.81"}, {"/r1", "1.0.81"}, {"/r0", ""}, {"/loop", ""}, {"/plain", ""}}) {
        request.url = server.Url(path);
        EXPECT_EQ(DownloadUpdateVersion(request), version) << path;
    }
    EXPECT_TRUE(plain.RequestLines().empty());
    // Without trusting that certificate the server is not believed.
    request.extraCaFile.clear();
    request.url = server.Url("/u.xml");
    EXPECT_EQ(DownloadUpdateVersion(request), "");
}

}  // namespace
