#include "QueryReply.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// "N.M" as two numbers; false for anything else.
bool parseQueryId(QByteArrayView text, int &id, int &number)
{
    const char *begin = text.data();
    const char *end = begin + text.size();
    const auto [afterId, idError] = std::from_chars(begin, end, id);
    if (idError != std::errc() || afterId == end || *afterId != '.' || id < 0)
        return false;
    const auto [afterNumber, numberError] = std::from_chars(afterId + 1, end, number);
    return numberError == std::errc() && afterNumber == end;
}

} // namespace

bool QueryReply::add(QByteArrayView datagram)
{
    if (int(m_parts.size()) >= kMaxParts || m_bytes + datagram.size() > kMaxBytes)
        return false;
    // The id and the end mark close a datagram: "\queryid\N.M" with
    // "\final\" after it or, from older servers, just before it. Looking
    // from the end finds them without reading the rest.
    int id = kNoId;
    int number = 1;
    constexpr QByteArrayView kIdMarker = "\\queryid\\";
    constexpr QByteArrayView kFinalMarker = "\\final\\";
    const qsizetype at = datagram.lastIndexOf(kIdMarker);
    if (at >= 0) {
        const QByteArrayView rest = datagram.sliced(at + kIdMarker.size());
        const qsizetype end = rest.indexOf('\\');
        if (!parseQueryId(end < 0 ? rest : rest.first(end), id, number) || number < 1 || number > kMaxParts) {
            id = kNoId;
            number = 1;
        }
    }
    const bool final = datagram.endsWith(kFinalMarker) || (at >= 0 && datagram.first(at).endsWith(kFinalMarker));
    for (const Part &part : m_parts) {
        if (part.id == id && part.number == number)
            return false;
    }
    m_parts.push_back({id, number, final, datagram.toByteArray()});
    m_bytes += datagram.size();
    if (!isWhole() && completes(id))
        m_wholeId = id;
    return true;
}

bool QueryReply::completes(int id) const
{
    int last = 0;
    int count = 0;
    for (const Part &part : m_parts) {
        if (part.id != id)
            continue;
        ++count;
        if (part.final)
            last = std::max(last, part.number);
    }
    // Parts of one id are never kept twice, so the count tells whether 1 to
    // last are all there, unless parts beyond the final one came as well.
    if (last == 0 || count < last)
        return false;
    int below = 0;
    for (const Part &part : m_parts)
        below += part.id == id && part.number <= last;
    return below == last;
}

QList<QByteArrayView> QueryReply::parts() const
{
    int chosen = m_wholeId;
    if (chosen == kNoneWhole) {
        // Before the reply is whole, the request with the most parts.
        int most = 0;
        for (const Part &part : m_parts) {
            const auto count =
                std::count_if(m_parts.begin(), m_parts.end(), [&part](const Part &p) { return p.id == part.id; });
            if (count > most) {
                most = int(count);
                chosen = part.id;
            }
        }
    }
    std::vector<const Part *> ordered;
    for (const Part &part : m_parts) {
        if (part.id == chosen)
            ordered.push_back(&part);
    }
    std::sort(ordered.begin(), ordered.end(), [](const Part *a, const Part *b) { return a->number < b->number; });
    QList<QByteArrayView> result;
    result.reserve(qsizetype(ordered.size()));
    for (const Part *part : ordered)
        result.append(part->bytes);
    return result;
}

void QueryReply::clear()
{
    std::vector<Part>().swap(m_parts);
    m_bytes = 0;
    m_wholeId = kNoneWhole;
}
