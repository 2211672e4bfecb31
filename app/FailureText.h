#pragma once

#include <QString>

#include "itemdb/HttpRequester.h"

namespace velmora {

/// What the player is told about a request that brought no page, in plain Korean: the one place
/// where a request's failure becomes words. The status bar ("검색 실패: …") and the version
/// check's box both show these texts.
///   failureText(RequestFailure::timedOut) == "응답 시간이 초과되었습니다"
///   failureText(RequestFailure::none) == ""
QString failureText(RequestFailure failure);

} // namespace velmora
