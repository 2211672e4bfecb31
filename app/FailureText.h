#pragma once

#include <QString>

#include "itemdb/HttpRequester.h"
#include "itemdb/ItemDatabase.h"

namespace velmora {

/// What the player is told about a request that brought no page, in plain Korean: the one place
/// where a request's failure becomes words. The status bar ("검색 실패: …") and the version
/// check's box both show these texts.
///   failureText(RequestFailure::timedOut) == "응답 시간이 초과되었습니다"
///   failureText(RequestFailure::none) == ""
QString failureText(RequestFailure failure);

/// Why an item was added without its stats: the step that failed, with the request's failure
/// when one failed there.
///   fetchFailureText({ItemFetchStep::tooltipPage, RequestFailure::timedOut})
///       == "툴팁 페이지 요청 실패 (응답 시간이 초과되었습니다)"
QString fetchFailureText(const ItemFetchFailure &failure);

/// A note that the site answered with an error status, for an answer that was still used:
///   siteStatusNote(503) == "사이트 응답 HTTP 503", siteStatusNote(200) == ""
QString siteStatusNote(int status);
/// `message` with what the site answered when it answered with an error page:
/// "… (사이트 응답 HTTP 404)"; unchanged for a good answer.
QString withSiteStatus(QString message, int status);

} // namespace velmora
