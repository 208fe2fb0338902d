#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstring>
#include <vector>

// The datagrams of one query's reply. A server numbers them "\queryid\N.M"
// and marks the last with "\final\"; each request gets a new N, so the parts
// of a retry never mix with those of the try before. The reply is whole once
// one N has every part from 1 to its final one, in whatever order they came.
class QueryReply final
{
public:
    // What one server may make a reply hold; datagrams beyond are not kept.
    static constexpr int kMaxParts = 64;
    static constexpr qsizetype kMaxBytes = 256 * 1024;

    // Keeps the datagram unless it repeats a part or goes over the limits;
    // returns whether it was kept.
    bool add(QByteArrayView datagram);

    bool isWhole() const { return m_wholeId != kNoneWhole; }
    bool isEmpty() const { return m_parts.empty(); }

    // The parts of the whole reply in order, or, before it is whole, those of
    // the request that has the most parts.
    QList<QByteArrayView> parts() const;

    // Frees what is held.
    void clear();

    // Calls visit(key, value) for every "\key\value" pair of a datagram, in
    // order; a key with no backslash after it has an empty value.
    template<typename Visit>
    static void forEachPair(QByteArrayView datagram, Visit visit);

private:
    static constexpr int kNoId = -1;
    static constexpr int kNoneWhole = -2;

    struct Part
    {
        int id;
        int number;
        bool final;
        QByteArray bytes;
    };
    bool completes(int id) const;

    std::vector<Part> m_parts;
    qsizetype m_bytes = 0;
    int m_wholeId = kNoneWhole;
};

template<typename Visit>
void QueryReply::forEachPair(QByteArrayView datagram, Visit visit)
{
    const char *p = datagram.data();
    const char *const end = p + datagram.size();
    if (p != end && *p == '\\')
        ++p;
    const auto next = [end](const char *from) {
        const void *hit = from < end ? std::memchr(from, '\\', size_t(end - from)) : nullptr;
        return hit ? static_cast<const char *>(hit) : end;
    };
    while (p < end) {
        const char *keyEnd = next(p);
        const QByteArrayView key(p, keyEnd - p);
        if (keyEnd == end) {
            visit(key, QByteArrayView());
            return;
        }
        const char *valueStart = keyEnd + 1;
        const char *valueEnd = next(valueStart);
        visit(key, QByteArrayView(valueStart, valueEnd - valueStart));
        p = valueEnd == end ? end : valueEnd + 1;
    }
}
