#include "app/FailureText.h"

namespace velmora {

QString failureText(RequestFailure failure)
{
    // No default: a new kind of failure must get its own words here before the program builds
    // without a warning.
    switch (failure) {
    case RequestFailure::none:
        return {};
    case RequestFailure::notOpened:
        return QStringLiteral("요청이 열리지 않았습니다");
    case RequestFailure::refusedAddress:
        return QStringLiteral("허용되지 않는 주소입니다");
    case RequestFailure::couldNotConnect:
        return QStringLiteral("사이트에 연결할 수 없습니다");
    case RequestFailure::proxyUnreachable:
        return QStringLiteral("프록시 서버에 연결할 수 없습니다");
    case RequestFailure::timedOut:
        return QStringLiteral("응답 시간이 초과되었습니다");
    case RequestFailure::bodyTooLarge:
        return QStringLiteral("응답이 너무 큽니다");
    case RequestFailure::transferFailed:
        return QStringLiteral("전송이 중간에 끊겼습니다");
    case RequestFailure::noAnswer:
        return QStringLiteral("사이트가 아무 응답 없이 연결을 끊었습니다");
    case RequestFailure::notHttp:
        return QStringLiteral("사이트의 응답이 올바른 HTTP 응답이 아닙니다");
    case RequestFailure::tooManyRedirects:
        return QStringLiteral("리디렉션 횟수가 너무 많습니다");
    case RequestFailure::headerTooLarge:
        return QStringLiteral("응답 헤더가 너무 큽니다");
    case RequestFailure::untrustedConnection:
        return QStringLiteral("보안 연결의 인증서를 확인할 수 없습니다");
    case RequestFailure::certificateStoreUnreadable:
        return QStringLiteral("이 컴퓨터의 인증서 저장소를 읽을 수 없습니다");
    case RequestFailure::secureConnectionFailed:
        return QStringLiteral("보안 연결을 맺을 수 없습니다");
    case RequestFailure::outOfMemory:
        return QStringLiteral("메모리가 부족합니다");
    case RequestFailure::otherFailure:
        return QStringLiteral("알 수 없는 이유로 요청이 실패했습니다");
    }
    return QStringLiteral("알 수 없는 이유로 요청이 실패했습니다");
}

QString fetchFailureText(const ItemFetchFailure &failure)
{
    const QString request = failureText(failure.request.value_or(RequestFailure::none));
    // No default either: each step names itself.
    switch (failure.step) {
    case ItemFetchStep::noAddress:
        return QStringLiteral("검색 결과에 아이템 주소가 없습니다");
    case ItemFetchStep::itemPage:
        return QStringLiteral("아이템 페이지 요청 실패 (%1)").arg(request);
    case ItemFetchStep::gradeLink:
        return QStringLiteral("아이템 페이지에서 이 등급의 링크를 찾지 못함");
    case ItemFetchStep::tooltipPage:
        return QStringLiteral("툴팁 페이지 요청 실패 (%1)").arg(request);
    }
    return {};
}

QString siteStatusNote(int status)
{
    if (status < 400)
        return {};
    return QStringLiteral("사이트 응답 HTTP %1").arg(status);
}

QString withSiteStatus(QString message, int status)
{
    if (const QString note = siteStatusNote(status); !note.isEmpty())
        message += QStringLiteral(" (%1)").arg(note);
    return message;
}

} // namespace velmora
