#include "server/http_front.h"

#include "server/http_workers.h"
#include "server/remote_module.h"

#include <boost/asio/executor_work_guard.hpp>
#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/write.hpp>
#include <boost/beast/core/flat_buffer.hpp>
#include <boost/beast/core/string.hpp>
#include <boost/beast/http/parser.hpp>
#include <boost/beast/http/read.hpp>
#include <boost/beast/http/span_body.hpp>
#include <boost/beast/http/string_body.hpp>
#include <boost/beast/http/write.hpp>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <ctime>
#include <list>
#include <optional>
#include <thread>
#include <vector>

#include <sys/eventfd.h>
#include <unistd.h>

namespace gsf::server {

namespace {

namespace beast = boost::beast;
namespace http = beast::http;
namespace net = boost::asio;
using tcp = net::ip::tcp;
using Clock = std::chrono::steady_clock;

// Connections being refused past the cap are each answered and drained for
// a moment; past this many at once the next ones are closed unanswered, so a
// flood cannot run the process out of descriptors through the refusals.
constexpr int kMaxRefusing = 256;
// After an answer that closes the connection, what the client still sends is
// read and dropped for a while: closing with unread input would reset the
// connection and the client could lose the answer before reading it.
constexpr auto kLinger = std::chrono::seconds(2);

// The timestamp changes once a second; formatting it on every request costs
// as much as a small method call, so each I/O thread keeps its last one.
const std::string& utcNow()
{
    thread_local std::time_t last = -1;
    thread_local std::string text;
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    if (t != last) {
        std::tm tm{};
        gmtime_r(&t, &tm);
        char buffer[32];
        text.assign(buffer, std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%SZ", &tm));
        last = t;
    }
    return text;
}

bool validUtf8(std::string_view s)
{
    while (!s.empty()) {
        const size_t n = utf8Sequence(s);
        if (n == 0)
            return false;
        s.remove_prefix(n);
    }
    return true;
}

// @p s with every byte that is not part of a UTF-8 sequence replaced by U+FFFD.
std::string utf8Replaced(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    while (!s.empty()) {
        const size_t n = utf8Sequence(s);
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            s.remove_prefix(1);
        } else {
            out.append(s.substr(0, n));
            s.remove_prefix(n);
        }
    }
    return out;
}

bool tokenChar(unsigned char c)
{
    return std::isalnum(c) || (c != 0 && std::strchr("!#$%&'*+-.^_`|~", c) != nullptr);
}

enum class LineStart { Possible, Malformed, Binary };

// Whether the bytes received of a request can still begin a request line,
// "VERB SP TARGET SP HTTP/d.d CRLF". The parser decides only once the whole
// head is in, so garbage with no blank line, or a TLS hello, would otherwise
// sit there until the deadline. Binary: bytes no HTTP client sends, where no
// HTTP answer makes sense either.
LineStart requestLineStart(std::string_view bytes)
{
    const auto refused = [](unsigned char c) {
        return (c < 0x20 && c != '\r' && c != '\n' && c != '\t') || c >= 0x7F ? LineStart::Binary
                                                                              : LineStart::Malformed;
    };
    size_t i = 0;
    while (i < bytes.size() && tokenChar(static_cast<unsigned char>(bytes[i])))
        ++i;
    if (i > 32)
        return LineStart::Malformed; // no verb is this long
    if (i == bytes.size())
        return LineStart::Possible;
    if (i == 0 || bytes[i] != ' ')
        return refused(static_cast<unsigned char>(bytes[i]));
    const size_t target = ++i;
    while (i < bytes.size() && static_cast<unsigned char>(bytes[i]) > 0x20 && bytes[i] != 0x7F)
        ++i;
    if (i == bytes.size())
        return LineStart::Possible;
    if (i == target || bytes[i] != ' ')
        return refused(static_cast<unsigned char>(bytes[i]));
    ++i;
    static constexpr std::string_view kVersion = "HTTP/0.0\r\n";
    for (size_t k = 0; k < kVersion.size() && i < bytes.size(); ++k, ++i) {
        const char c = bytes[i];
        const bool ok = kVersion[k] == '0' ? std::isdigit(static_cast<unsigned char>(c)) != 0 : c == kVersion[k];
        if (!ok)
            return refused(static_cast<unsigned char>(c));
    }
    return LineStart::Possible;
}

std::string lastSegment(std::string_view path)
{
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

HttpAnswer failure(int status, const char* code, const std::string& message)
{
    return {status, errorBody(code, message)};
}

HttpAnswer internalError(std::string_view what)
{
    return failure(500, "server_error", "Erro interno do servidor: " + utf8Replaced(what));
}

const std::string kContinue = "HTTP/1.1 100 Continue\r\n\r\n";

class Session;

// One I/O thread: its own I/O context, the connections it serves and the
// sweep that closes those past their deadline. Everything of a loop runs on
// its thread, so none of it needs a lock; other threads only post to it.
struct Loop {
    net::io_context ioc{1};
    net::steady_timer sweep{ioc};
    std::list<std::weak_ptr<Session>> sessions;
    bool closing = false;
};

// Deadlines are checked this often rather than kept in a timer per
// connection: setting one is then an assignment, not a system call.
constexpr auto kSweep = std::chrono::milliseconds(200);

} // namespace

struct HttpFront::Impl {
    Impl(HttpLimits l, DatabaseWorkers& w, Admit a, Handle h, Log lg)
        : limits(l), workers(w), admit(std::move(a)), handle(std::move(h)), log(std::move(lg)),
          loops(static_cast<size_t>(std::max(1, limits.ioThreads)))
    {}

    void accept();
    void onAccept(const beast::error_code& ec, tcp::socket socket, Loop& loop);
    void sweep(Loop& loop);
    void shutdown();
    void runLoop(Loop& loop);
    void event(const std::string& name, const std::string& detail);

    const HttpLimits limits;
    DatabaseWorkers& workers;
    const Admit admit;
    const Handle handle;
    const Log log;
    Observe observe;

    std::atomic<bool> running{false};
    std::atomic<int> open{0};
    std::atomic<int> refusing{0};
    int port = 0;
    int wakeFd = -1; // written by Stop; open until the front is destroyed
    size_t nextLoop = 0;

    // The first loop also accepts and waits for Stop.
    std::vector<Loop> loops;
    tcp::acceptor acceptor{loops.front().ioc};
    net::steady_timer acceptRetry{loops.front().ioc};
    net::posix::stream_descriptor wake{loops.front().ioc};
    Clock::time_point lastAcceptFailure{};
};

namespace {

// One connection: reads a request, has it answered, writes the answer, waits
// for the next. Every step runs on its loop's thread.
class Session : public std::enable_shared_from_this<Session> {
public:
    Session(HttpFront::Impl& front, Loop& loop, tcp::socket socket, bool overCapacity)
        : front_(front), loop_(loop), socket_(std::move(socket)), overCapacity_(overCapacity), started_(Clock::now())
    {
        beast::error_code ec;
        const auto endpoint = socket_.remote_endpoint(ec);
        if (!ec)
            remote_ = endpoint.address().to_string();
        (overCapacity_ ? front_.refusing : front_.open).fetch_add(1);
    }

    ~Session() { (overCapacity_ ? front_.refusing : front_.open).fetch_sub(1); }

    void Start()
    {
        if (loop_.closing)
            return close();
        loop_.sessions.push_back(weak_from_this());
        if (overCapacity_) {
            answer(failure(503, "busy",
                           "O servidor de aplicação está com o máximo de " +
                               std::to_string(front_.limits.maxConnections) +
                               " conexões abertas. Tente novamente em instantes."),
                   true);
            return;
        }
        nextRequest();
    }

    // The server is stopping: a connection between requests closes now, one
    // whose request is being handled once its answer is out.
    void Stop()
    {
        stopping_ = true;
        if (phase_ != Phase::Working && phase_ != Phase::Writing)
            close();
    }

    // Called by the sweep.
    void CheckDeadline(Clock::time_point now)
    {
        if (closed_ || !deadline_ || *deadline_ > now)
            return;
        if (phase_ == Phase::Head || phase_ == Phase::Body)
            logAnswer(408);
        close();
    }

private:
    enum class Phase { Idle, Head, Body, Working, Writing, Closing };

    void expiresAfter(std::chrono::milliseconds limit) { deadline_ = Clock::now() + limit; }

    void nextRequest()
    {
        if (stopping_)
            return close();
        parser_.emplace();
        lineTaken_ = false;
        parser_->header_limit(static_cast<std::uint32_t>(front_.limits.maxHeaderBytes));
        parser_->body_limit(front_.limits.maxBodyBytes);
        verb_.clear();
        method_.clear();
        head_ = {};
        if (buffer_.size() > 0) { // the next request came with the last one
            startRequest();
            return feedHead();
        }
        // A large request leaves a large buffer; an idle connection keeps
        // only a small one.
        if (buffer_.capacity() > 16 * 1024)
            buffer_.shrink_to_fit();
        phase_ = Phase::Idle;
        expiresAfter(front_.limits.idleTimeout);
        readHead();
    }

    void startRequest()
    {
        phase_ = Phase::Head;
        started_ = Clock::now();
        expiresAfter(front_.limits.requestDeadline);
    }

    void readHead()
    {
        socket_.async_read_some(buffer_.prepare(4096), [self = shared_from_this()](beast::error_code ec, size_t n) {
            self->onHeadBytes(ec, n);
        });
    }

    void onHeadBytes(beast::error_code ec, size_t n)
    {
        if (closed_)
            return;
        if (ec)
            return close();
        buffer_.commit(n);
        if (phase_ == Phase::Idle)
            startRequest();
        feedHead();
    }

    void feedHead()
    {
        // Until the parser takes the request line, the buffer begins with it;
        // once taken, what is left are header lines, which the parser checks.
        if (!lineTaken_) {
            const auto data = buffer_.data();
            const std::string_view bytes(static_cast<const char*>(data.data()), data.size());
            const size_t lineEnd = bytes.find('\n');
            switch (requestLineStart(lineEnd == std::string_view::npos ? bytes : bytes.substr(0, lineEnd + 1))) {
            case LineStart::Binary: logAnswer(400); return close();
            case LineStart::Malformed:
                return answer(failure(400, "bad_request", "Requisição inválida: linha de requisição malformada."),
                              true);
            case LineStart::Possible: break;
            }
        }
        beast::error_code ec;
        const size_t taken = parser_->put(buffer_.data(), ec);
        buffer_.consume(taken);
        lineTaken_ = lineTaken_ || taken > 0;
        if (ec == http::error::need_more)
            return readHead();
        if (ec == http::error::body_limit)
            return answer(tooLarge(), true);
        if (ec == http::error::header_limit)
            return answer(
                failure(400, "bad_request",
                        "Requisição inválida: cabeçalhos acima de " + byteSize(front_.limits.maxHeaderBytes) + "."),
                true);
        if (ec)
            return answer(failure(400, "bad_request", "Requisição inválida."), true);
        onHead();
    }

    void onHead()
    {
        auto& request = parser_->get();
        verb_ = std::string(request.method_string());
        head_.verb = verb_;
        const std::string_view target = request.target();
        head_.path = percentDecoded(target.substr(0, target.find('?')));
        method_ = lastSegment(head_.path);
        bool utf8 = validUtf8(head_.path);
        for (const auto& field : request)
            utf8 = utf8 && validUtf8(field.value());
        if (!utf8) {
            admission_ = {
                HttpAdmission::Route::Answer,
                failure(400, "bad_request", "Requisição inválida: o caminho e os cabeçalhos devem estar em UTF-8.")};
        } else {
            head_.authorization = std::string(request[http::field::authorization]);
            for (const auto& field : request) {
                std::string name(field.name_string());
                for (char& c : name)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                if (name.starts_with("x-"))
                    head_.extra.emplace_back(std::move(name), std::string(field.value()));
            }
            try {
                admission_ = front_.admit(head_);
            } catch (const std::exception& e) {
                admission_ = {HttpAdmission::Route::Answer, internalError(e.what())};
            } catch (...) {
                admission_ = {HttpAdmission::Route::Answer, internalError("falha desconhecida")};
            }
        }
        if (!parser_->is_done() && beast::iequals(request[http::field::expect], "100-continue")) {
            // The client waits for a word before it sends the body: a refusal
            // is that word, and the body then never comes.
            if (admission_.route == HttpAdmission::Route::Answer)
                return answer(std::move(admission_.answer), true);
            return net::async_write(socket_, net::buffer(kContinue),
                                    [self = shared_from_this()](beast::error_code e, size_t) {
                                        if (self->closed_)
                                            return;
                                        if (e)
                                            return self->close();
                                        self->readBody();
                                    });
        }
        readBody();
    }

    void readBody()
    {
        phase_ = Phase::Body;
        if (parser_->is_done())
            return onBody({});
        http::async_read(socket_, buffer_, *parser_,
                         [self = shared_from_this()](beast::error_code ec, size_t) { self->onBody(ec); });
    }

    void onBody(beast::error_code ec)
    {
        if (closed_)
            return;
        const bool refused = admission_.route == HttpAdmission::Route::Answer;
        if (ec == http::error::body_limit)
            return answer(refused ? std::move(admission_.answer) : tooLarge(), true);
        if (ec)
            return close();
        const bool keepAlive = parser_->get().keep_alive();
        if (refused)
            return answer(std::move(admission_.answer), !keepAlive);
        closeAfter_ = !keepAlive;
        phase_ = Phase::Working;
        deadline_.reset();
        // The guard keeps the loop running until the answer is back. The
        // task gives its reference to the answer's handler, so the session
        // is only ever released on its own loop.
        front_.workers.Submit(admission_.route == HttpAdmission::Route::Write,
                              [self = shared_from_this(), head = head_, body = std::move(parser_->get().body()),
                               guard = net::make_work_guard(loop_.ioc)](std::optional<std::int64_t> version) mutable {
                                  HttpAnswer reply;
                                  try {
                                      reply = self->front_.handle(head, std::move(body), version);
                                  } catch (const std::exception& e) {
                                      reply = internalError(e.what());
                                  } catch (...) {
                                      reply = internalError("falha desconhecida");
                                  }
                                  auto& ioc = self->loop_.ioc;
                                  net::post(ioc, [self = std::move(self), reply = std::move(reply)]() mutable {
                                      self->answer(std::move(reply), self->closeAfter_);
                                  });
                              });
    }

    HttpAnswer tooLarge() const
    {
        return failure(413, "too_large",
                       "Requisição grande demais: o limite é de " + byteSize(front_.limits.maxBodyBytes) + ".");
    }

    void answer(HttpAnswer reply, bool closeAfter)
    {
        if (closed_)
            return;
        if (reply.drop) {
            logAnswer(0);
            return close();
        }
        phase_ = Phase::Writing;
        closeAfter_ = closeAfter || stopping_;
        const unsigned version = parser_ && parser_->get().version() == 10 ? 10 : 11;
        response_.emplace(static_cast<http::status>(reply.status), version);
        response_->set(http::field::content_type, reply.contentType);
        // The answer stays here while it is written: a shared body (a kept
        // packet) is sent from where it is, without a copy.
        held_ = std::move(reply);
        const std::string_view body = held_.Body();
        response_->body() = {body.data(), body.size()};
        response_->keep_alive(!closeAfter_);
        response_->prepare_payload();
        expiresAfter(front_.limits.writeTimeout);
        http::async_write(socket_, *response_, [self = shared_from_this()](beast::error_code ec, size_t) {
            self->logAnswer(self->response_->result_int());
            // An open screen may stay idle for hours: it keeps no copy of its last packet.
            self->response_.reset();
            self->held_ = {};
            if (self->closed_)
                return;
            if (ec)
                return self->close();
            if (self->closeAfter_)
                return self->linger();
            self->nextRequest();
        });
    }

    void logAnswer(unsigned status)
    {
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - started_).count();
        front_.log(requestLogLine(verb_, method_, static_cast<int>(status), ms, remote_));
        if (front_.observe)
            front_.observe(method_, static_cast<int>(status), ms / 1000);
    }

    // Our side is done: the client gets an end of stream after the answer,
    // and what it still sends is dropped until it closes, for a while.
    void linger()
    {
        if (stopping_)
            return close();
        phase_ = Phase::Closing;
        beast::error_code ignored;
        socket_.shutdown(tcp::socket::shutdown_send, ignored);
        deadline_ = Clock::now() + kLinger;
        lingerBudget_ = std::max<size_t>(4 * 1024 * 1024, 2 * front_.limits.maxBodyBytes);
        drain();
    }

    void drain()
    {
        buffer_.clear();
        socket_.async_read_some(buffer_.prepare(65536), [self = shared_from_this()](beast::error_code ec, size_t n) {
            if (self->closed_)
                return;
            if (ec || n >= self->lingerBudget_)
                return self->close();
            self->lingerBudget_ -= n;
            self->drain();
        });
    }

    void close()
    {
        if (closed_)
            return;
        closed_ = true;
        phase_ = Phase::Closing;
        deadline_.reset();
        beast::error_code ignored;
        socket_.close(ignored);
    }

    HttpFront::Impl& front_;
    Loop& loop_;
    tcp::socket socket_;
    const bool overCapacity_;
    std::string remote_;
    Clock::time_point started_;
    std::optional<Clock::time_point> deadline_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    std::optional<http::response<http::span_body<const char>>> response_;
    HttpAnswer held_;
    HttpHead head_;
    HttpAdmission admission_;
    std::string verb_;
    std::string method_;
    Phase phase_ = Phase::Idle;
    bool stopping_ = false;
    bool closeAfter_ = false;
    bool closed_ = false;
    bool lineTaken_ = false; ///< the parser has taken this request's line
    size_t lingerBudget_ = 0;
};

} // namespace

void HttpFront::Impl::accept()
{
    // Connections go to the loops in turn.
    Loop& loop = loops[nextLoop++ % loops.size()];
    acceptor.async_accept(loop.ioc, [this, &loop](const beast::error_code& ec, tcp::socket socket) {
        onAccept(ec, std::move(socket), loop);
    });
}

void HttpFront::Impl::onAccept(const beast::error_code& ec, tcp::socket socket, Loop& loop)
{
    if (!acceptor.is_open())
        return;
    if (ec) {
        if (ec == net::error::operation_aborted)
            return;
        // Out of descriptors or memory: accepting again at once would spin.
        // The connections already open are served meanwhile.
        if (ec == net::error::no_descriptors || ec == net::error::no_buffer_space || ec == net::error::no_memory ||
            ec.value() == ENFILE) {
            if (Clock::now() - lastAcceptFailure > std::chrono::seconds(10)) {
                lastAcceptFailure = Clock::now();
                event("accept_failed", ec.message());
            }
            acceptRetry.expires_after(std::chrono::milliseconds(50));
            acceptRetry.async_wait([this](const beast::error_code& e) {
                if (!e && acceptor.is_open())
                    accept();
            });
            return;
        }
        return accept();
    }
    beast::error_code ignored;
    socket.set_option(tcp::no_delay(true), ignored);
    const bool over = open.load() >= limits.maxConnections;
    if (over && refusing.load() >= kMaxRefusing) {
        socket.close(ignored);
        return accept();
    }
    auto session = std::make_shared<Session>(*this, loop, std::move(socket), over);
    net::post(loop.ioc, [session = std::move(session)] { session->Start(); });
    accept();
}

void HttpFront::Impl::sweep(Loop& loop)
{
    loop.sweep.expires_after(kSweep);
    loop.sweep.async_wait([this, &loop](const beast::error_code& ec) {
        if (ec || loop.closing)
            return;
        const auto now = Clock::now();
        for (auto it = loop.sessions.begin(); it != loop.sessions.end();) {
            if (auto session = it->lock()) {
                session->CheckDeadline(now);
                ++it;
            } else {
                it = loop.sessions.erase(it);
            }
        }
        sweep(loop);
    });
}

void HttpFront::Impl::shutdown()
{
    running = false;
    beast::error_code ignored;
    acceptor.close(ignored);
    acceptRetry.cancel();
    wake.close(ignored);
    for (auto& loop : loops) {
        net::post(loop.ioc, [&loop] {
            loop.closing = true;
            loop.sweep.cancel();
            for (const auto& weak : loop.sessions)
                if (auto session = weak.lock())
                    session->Stop();
            loop.sessions.clear();
        });
    }
}

void HttpFront::Impl::event(const std::string& name, const std::string& detail)
{
    log(nlohmann::json{{"event", name}, {"detail", detail}, {"ts", utcNow()}}.dump(
        -1, ' ', false, nlohmann::json::error_handler_t::replace));
}

void HttpFront::Impl::runLoop(Loop& loop)
{
    for (;;) {
        try {
            loop.ioc.run();
            return;
        } catch (const std::exception& e) {
            // A handler that throws ends its connection, not the server.
            event("handler_failed", e.what());
        } catch (...) {
            event("handler_failed", "falha desconhecida");
        }
    }
}

HttpFront::HttpFront(HttpLimits limits, DatabaseWorkers& workers, Admit admit, Handle handle, Log log)
    : impl_(std::make_unique<Impl>(limits, workers, std::move(admit), std::move(handle), std::move(log)))
{
    impl_->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (impl_->wakeFd < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    // The descriptor waited on is a copy: closing it when the server stops
    // leaves the one Stop writes to open.
    const int copy = dup(impl_->wakeFd);
    if (copy < 0) {
        ::close(impl_->wakeFd);
        throw std::system_error(errno, std::generic_category(), "dup");
    }
    impl_->wake.assign(copy);
}

HttpFront::~HttpFront()
{
    const int fd = impl_->wakeFd;
    impl_.reset();
    ::close(fd);
}

bool HttpFront::Bind(const std::string& address, int port)
{
    auto& acceptor = impl_->acceptor;
    beast::error_code ec;
    tcp::endpoint endpoint;
    const auto numeric = net::ip::make_address(address, ec);
    if (!ec) {
        endpoint = tcp::endpoint(numeric, static_cast<unsigned short>(port));
    } else {
        tcp::resolver resolver(impl_->loops.front().ioc);
        const auto found = resolver.resolve(address, std::to_string(port), tcp::resolver::passive, ec);
        if (ec || found.empty())
            return false;
        endpoint = found.begin()->endpoint();
    }
    acceptor.open(endpoint.protocol(), ec);
    if (!ec)
        acceptor.set_option(net::socket_base::reuse_address(true), ec);
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(net::socket_base::max_listen_connections, ec);
    if (ec) {
        beast::error_code ignored;
        acceptor.close(ignored);
        return false;
    }
    impl_->port = acceptor.local_endpoint(ec).port();
    return !ec;
}

int HttpFront::Port() const
{
    return impl_->port;
}

void HttpFront::Run()
{
    Impl& impl = *impl_;
    if (!impl.acceptor.is_open())
        return;
    impl.wake.async_wait(net::posix::descriptor_base::wait_read, [&impl](const beast::error_code& ec) {
        if (ec != net::error::operation_aborted)
            impl.shutdown();
    });
    for (auto& loop : impl.loops)
        impl.sweep(loop);
    impl.accept();
    impl.running = true;
    std::vector<std::thread> threads;
    for (size_t i = 1; i < impl.loops.size(); ++i)
        threads.emplace_back([&impl, i] { impl.runLoop(impl.loops[i]); });
    impl.runLoop(impl.loops.front());
    for (auto& thread : threads)
        thread.join();
    impl.running = false;
}

void HttpFront::Stop()
{
    const std::uint64_t one = 1;
    // Nothing to do when it fails: the counter is already past zero.
    [[maybe_unused]] const auto written = ::write(impl_->wakeFd, &one, sizeof one);
}

bool HttpFront::Running() const
{
    return impl_->running;
}

void HttpFront::SetObserver(Observe observe)
{
    impl_->observe = std::move(observe);
}

int HttpFront::OpenConnections() const
{
    return impl_->open;
}

namespace {

// Text that needs no JSON escaping: what method names, HTTP verbs and
// addresses are made of.
bool plain(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == ':' || c == '-' || c == '_' || c == '/';
    });
}

} // namespace

// Written by hand when every part is plain text (every real call), through
// the JSON library otherwise, so that whatever a client puts in the path is
// escaped.
std::string requestLogLine(std::string_view http, std::string_view method, int status, double ms,
                           std::string_view remote)
{
    const double rounded = std::round(ms * 1000) / 1000;
    if (!plain(http) || !plain(method) || !plain(remote)) {
        const nlohmann::json line = {{"ts", utcNow()},   {"method", method}, {"http", http},
                                     {"status", status}, {"ms", rounded},    {"remote", remote}};
        return line.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    }
    char number[32];
    const auto end = std::to_chars(number, number + sizeof number, rounded).ptr;
    std::string line;
    line.reserve(128);
    line.append("{\"http\":\"").append(http).append("\",\"method\":\"").append(method).append("\",\"ms\":");
    line.append(number, end).append(",\"remote\":\"").append(remote).append("\",\"status\":");
    line.append(std::to_string(status)).append(",\"ts\":\"").append(utcNow()).append("\"}");
    return line;
}

std::string byteSize(size_t bytes)
{
    constexpr size_t kKiB = 1024, kMiB = 1024 * 1024;
    if (bytes >= kMiB && bytes % kMiB == 0)
        return std::to_string(bytes / kMiB) + " MiB";
    if (bytes >= kKiB && bytes % kKiB == 0)
        return std::to_string(bytes / kKiB) + " KiB";
    return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

bool constantTimeEquals(std::string_view a, std::string_view b)
{
    size_t difference = a.size() ^ b.size();
    for (size_t i = 0; i < b.size(); ++i) {
        const unsigned char mine = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
        difference |= mine ^ static_cast<unsigned char>(b[i]);
    }
    return difference == 0;
}

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

std::string percentDecoded(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
            if (high >= 0 && low >= 0) {
                out += static_cast<char>(high * 16 + low);
                i += 2;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

size_t utf8Sequence(std::string_view s)
{
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
    const unsigned char c = byte(0);
    if (c < 0x80)
        return 1;
    size_t length;
    unsigned char low = 0x80, high = 0xBF;
    if (c >= 0xC2 && c <= 0xDF)
        length = 2;
    else if (c == 0xE0)
        length = 3, low = 0xA0;
    else if (c == 0xED)
        length = 3, high = 0x9F;
    else if (c >= 0xE1 && c <= 0xEF)
        length = 3;
    else if (c == 0xF0)
        length = 4, low = 0x90;
    else if (c >= 0xF1 && c <= 0xF3)
        length = 4;
    else if (c == 0xF4)
        length = 4, high = 0x8F;
    else
        return 0;
    if (s.size() < length)
        return 0;
    if (byte(1) < low || byte(1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i)
        if (byte(i) < 0x80 || byte(i) > 0xBF)
            return 0;
    return length;
}

} // namespace gsf::server
