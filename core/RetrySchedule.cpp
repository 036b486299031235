#include "core/RetrySchedule.h"

bool IsTransient(TransferCause cause) {
    switch (cause) {
        case TransferCause::ConnectionCut:
        case TransferCause::ConnectTimeout:
        case TransferCause::HandshakeFailure:
        case TransferCause::ServerBusy:
        case TransferCause::TooManyRequests:
        case TransferCause::Stalled:
            return true;
        default:
            return false;
    }
}

const wchar_t* DescribeCause(TransferCause cause) {
    switch (cause) {
        case TransferCause::None:
            return L"完成";
        case TransferCause::ConnectionCut:
            return L"连接中断";
        case TransferCause::ConnectTimeout:
            return L"连接超时";
        case TransferCause::HandshakeFailure:
            return L"TLS握手失败";
        case TransferCause::ServerBusy:
            return L"服务器错误（5xx）";
        case TransferCause::TooManyRequests:
            return L"请求过多（429）";
        case TransferCause::Stalled:
            return L"五秒无数据";
        case TransferCause::HttpRefused:
            return L"服务器拒绝";
        case TransferCause::Certificate:
            return L"证书校验失败";
        case TransferCause::RedirectRefused:
            return L"重定向被拒绝";
        case TransferCause::Other:
            break;
    }
    return L"其他错误";
}

std::optional<uint32_t> RetrySchedule::Next(TransferCause cause, int retryAfterSeconds) {
    if (!IsTransient(cause) || retries_ >= kMaxRetries) {
        return std::nullopt;
    }
    uint32_t pause = kFirstPauseMs << retries_;
    if (retryAfterSeconds > kMaxRetryAfterSeconds) {
        return std::nullopt;
    }
    if (retryAfterSeconds >= 0 && static_cast<uint32_t>(retryAfterSeconds) * 1000 > pause) {
        pause = static_cast<uint32_t>(retryAfterSeconds) * 1000;
    }
    // A small linear congruential step: the jitter needs spread, not secrecy.
    seed_ = seed_ * 1664525u + 1013904223u;
    pause += (seed_ >> 8) % (kMaxJitterMs + 1);
    if (pausedMs_ + pause > kMaxTotalPauseMs) {
        return std::nullopt;
    }
    ++retries_;
    pausedMs_ += pause;
    return pause;
}
