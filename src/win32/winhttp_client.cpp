// The HTTP client of the Windows build, on WinHTTP: synchronous, every time-out set, the user's proxy
// settings honoured, the body read up to the cap.
#include <windows.h>
#include <winhttp.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "platform/http.h"
#include "product.h"
#include "win32/text.h"

namespace brisvane {
namespace {

constexpr wchar_t kUserAgent[] = L"Brisvane/" BRISVANE_VERSION;

class Handle {
 public:
  explicit Handle(HINTERNET handle = nullptr) : handle_(handle) {}
  ~Handle() {
    if (handle_) WinHttpCloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

std::string DescribeError(const char* step, DWORD code) {
  const char* what = nullptr;
  switch (code) {
    case ERROR_WINHTTP_TIMEOUT:
    case WSAETIMEDOUT:  // Wine reports a silent server this way
      what = "the server did not answer in time";
      break;
    case ERROR_WINHTTP_NAME_NOT_RESOLVED: what = "the server name could not be resolved"; break;
    case ERROR_WINHTTP_CANNOT_CONNECT: what = "the connection was refused"; break;
    case ERROR_WINHTTP_CONNECTION_ERROR: what = "the connection was reset"; break;
    case ERROR_WINHTTP_INVALID_URL: what = "the URL is not valid"; break;
    case ERROR_WINHTTP_UNRECOGNIZED_SCHEME: what = "the URL is neither http nor https"; break;
    case ERROR_WINHTTP_INVALID_SERVER_RESPONSE: what = "the server's reply is not HTTP"; break;
    case ERROR_WINHTTP_SECURE_FAILURE: what = "the secure connection failed"; break;
    default: break;
  }
  std::string text = std::string(step) + ": ";
  text += what ? what : "WinHTTP error";
  return text + " (" + std::to_string(code) + ")";
}

DWORD Millis(std::chrono::milliseconds ms) { return static_cast<DWORD>(std::max<std::int64_t>(ms.count(), 1)); }

// The user's proxy for `url` when the system cannot pick it by itself (before Windows 8.1): the
// Internet Options of the current user, automatic configuration first, then a named proxy.
void ApplyUserProxy(HINTERNET session, HINTERNET request, const std::wstring& url) {
  WINHTTP_CURRENT_USER_IE_PROXY_CONFIG ie = {};
  if (!WinHttpGetIEProxyConfigForCurrentUser(&ie)) return;
  bool done = false;
  if (ie.fAutoDetect || ie.lpszAutoConfigUrl) {
    WINHTTP_AUTOPROXY_OPTIONS options = {};
    options.dwFlags = ie.lpszAutoConfigUrl ? WINHTTP_AUTOPROXY_CONFIG_URL : 0;
    if (ie.fAutoDetect) {
      options.dwFlags |= WINHTTP_AUTOPROXY_AUTO_DETECT;
      options.dwAutoDetectFlags = WINHTTP_AUTO_DETECT_TYPE_DHCP | WINHTTP_AUTO_DETECT_TYPE_DNS_A;
    }
    options.lpszAutoConfigUrl = ie.lpszAutoConfigUrl;
    options.fAutoLogonIfChallenged = TRUE;
    WINHTTP_PROXY_INFO info = {};
    if (WinHttpGetProxyForUrl(session, url.c_str(), &options, &info)) {
      WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
      done = true;
      if (info.lpszProxy) GlobalFree(info.lpszProxy);
      if (info.lpszProxyBypass) GlobalFree(info.lpszProxyBypass);
    }
  }
  if (!done && ie.lpszProxy) {
    WINHTTP_PROXY_INFO info = {};
    info.dwAccessType = WINHTTP_ACCESS_TYPE_NAMED_PROXY;
    info.lpszProxy = ie.lpszProxy;
    info.lpszProxyBypass = ie.lpszProxyBypass;
    WinHttpSetOption(request, WINHTTP_OPTION_PROXY, &info, sizeof info);
  }
  if (ie.lpszAutoConfigUrl) GlobalFree(ie.lpszAutoConfigUrl);
  if (ie.lpszProxy) GlobalFree(ie.lpszProxy);
  if (ie.lpszProxyBypass) GlobalFree(ie.lpszProxyBypass);
}

class WinHttpClient final : public IHttpClient {
 public:
  explicit WinHttpClient(const HttpTimeouts& timeouts) : timeouts_(timeouts) {}

  HttpReply Get(std::string_view url_text) override {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + timeouts_.total;
    HttpReply reply;
    const std::wstring url = win32::Widen(url_text);

    URL_COMPONENTS parts = {};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength = parts.dwExtraInfoLength = DWORD(-1);
    if (url.empty() || !WinHttpCrackUrl(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
      reply.error = DescribeError("URL", url.empty() ? ERROR_WINHTTP_INVALID_URL : GetLastError());
      return reply;
    }
    if (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS) {
      reply.error = DescribeError("URL", ERROR_WINHTTP_UNRECOGNIZED_SCHEME);
      return reply;
    }
    const std::wstring host(parts.lpszHostName ? parts.lpszHostName : L"", parts.dwHostNameLength);
    if (host.empty()) {
      reply.error = DescribeError("URL", ERROR_WINHTTP_INVALID_URL);
      return reply;
    }
    std::wstring object(parts.lpszUrlPath ? parts.lpszUrlPath : L"", parts.dwUrlPathLength);
    object.append(parts.lpszExtraInfo ? parts.lpszExtraInfo : L"", parts.dwExtraInfoLength);
    object = object.substr(0, object.find(L'#'));  // a fragment never goes on the wire
    if (object.empty() || object[0] != L'/') object.insert(0, L"/");

    // Windows 8.1 and later pick the proxy as the user's settings say; older systems refuse the flag.
    HINTERNET opened = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_AUTOMATIC_PROXY, WINHTTP_NO_PROXY_NAME,
                                   WINHTTP_NO_PROXY_BYPASS, 0);
    const bool automatic = opened != nullptr;
    if (!opened) {
      opened = WinHttpOpen(kUserAgent, WINHTTP_ACCESS_TYPE_DEFAULT_PROXY, WINHTTP_NO_PROXY_NAME,
                           WINHTTP_NO_PROXY_BYPASS, 0);
    }
    Handle session(opened);
    if (!session) {
      reply.error = DescribeError("session", GetLastError());
      return reply;
    }
    WinHttpSetTimeouts(session.get(), Millis(timeouts_.resolve), Millis(timeouts_.connect), Millis(timeouts_.send),
                       Millis(timeouts_.receive));
    Handle connection(WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) {
      reply.error = DescribeError("connect", GetLastError());
      return reply;
    }
    Handle request(WinHttpOpenRequest(connection.get(), L"GET", object.c_str(), nullptr, WINHTTP_NO_REFERER,
                                      WINHTTP_DEFAULT_ACCEPT_TYPES,
                                      parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0));
    if (!request) {
      reply.error = DescribeError("request", GetLastError());
      return reply;
    }
    WinHttpSetTimeouts(request.get(), Millis(timeouts_.resolve), Millis(timeouts_.connect), Millis(timeouts_.send),
                       Millis(timeouts_.receive));
    // The wait for the reply's headers has a limit of its own; a silent server otherwise holds the send.
    DWORD response_wait = Millis(timeouts_.receive);
    WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_RESPONSE_TIMEOUT, &response_wait, sizeof response_wait);
    if (!automatic) ApplyUserProxy(session.get(), request.get(), url);

    if (!WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0, WINHTTP_NO_REQUEST_DATA, 0, 0, 0)) {
      reply.error = DescribeError("send", GetLastError());
      return reply;
    }
    if (!WinHttpReceiveResponse(request.get(), nullptr)) {
      reply.error = DescribeError("receive", GetLastError());
      return reply;
    }
    DWORD status = 0;
    DWORD size = sizeof status;
    if (WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                            WINHTTP_HEADER_NAME_BY_INDEX, &status, &size, WINHTTP_NO_HEADER_INDEX)) {
      reply.status = static_cast<int>(status);
    }

    // One byte past the cap tells that there is more.
    std::uint8_t buffer[kMaxReplyBytes + 1];
    for (;;) {
      // A trickling server gets no more than what is left of the whole exchange's time.
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0) {
        reply.body.clear();
        reply.error = DescribeError("receive", ERROR_WINHTTP_TIMEOUT);
        return reply;
      }
      DWORD read_wait = Millis(std::min(left, timeouts_.receive));
      WinHttpSetOption(request.get(), WINHTTP_OPTION_RECEIVE_TIMEOUT, &read_wait, sizeof read_wait);
      const DWORD want = static_cast<DWORD>(kMaxReplyBytes + 1 - reply.body.size());
      DWORD got = 0;
      if (!WinHttpReadData(request.get(), buffer, want, &got)) {
        reply.body.clear();
        reply.error = DescribeError("receive", GetLastError());
        return reply;
      }
      if (got == 0) break;
      reply.body.insert(reply.body.end(), buffer, buffer + got);
      if (reply.body.size() > kMaxReplyBytes) {
        reply.body.resize(kMaxReplyBytes);
        reply.truncated = true;
        break;
      }
    }
    reply.sent = true;
    return reply;
  }

 private:
  HttpTimeouts timeouts_;
};

}  // namespace

std::unique_ptr<IHttpClient> MakeSystemHttpClient(const HttpTimeouts& timeouts) {
  return std::make_unique<WinHttpClient>(timeouts);
}

}  // namespace brisvane
