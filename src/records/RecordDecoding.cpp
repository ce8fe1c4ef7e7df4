#include "RecordDecoding.h"

#include "net/Json.h"
#include "records/JsonListElements.h"

#include <simdjson.h>

#include <QScopedValueRollback>
#include <QSet>
#include <QThread>
#include <QtConcurrentMap>

#include <algorithm>
#include <cmath>
#include <string_view>
#include <type_traits>

namespace
{

namespace ondemand = simdjson::ondemand;
using JsonType = ondemand::json_type;

// A parse error, or a value asked for as what it is not, ends the decode.
template <typename T> T take(simdjson::simdjson_result<T> &&result)
{
    T value;
    if (const simdjson::error_code error = std::move(result).get(value); error != simdjson::SUCCESS)
        throw Json::DecodingError(simdjson::error_message(error));
    return value;
}

// The entries of one list repeat a handful of tag lists and languages. While a list is decoded, each distinct
// one is kept once and shared by every entry that has it: a long timeline then holds a few of them instead
// of one per entry. A copy read again is freed at once, before the next allocation, so it leaves no hole.
class RepeatedTexts
{
public:
    RepeatedTexts() { current = this; }
    ~RepeatedTexts() { current = nullptr; }
    RepeatedTexts(const RepeatedTexts &) = delete;
    RepeatedTexts &operator=(const RepeatedTexts &) = delete;

    template <typename T> static T shared(T &&value)
    {
        if (!current)
            return std::move(value);
        if constexpr (std::is_same_v<T, QString>)
            return *current->m_texts.insert(std::move(value));
        else
            return *current->m_lists.insert(std::move(value));
    }

private:
    static thread_local RepeatedTexts *current;
    QSet<QString> m_texts;
    QSet<QStringList> m_lists;
};

thread_local RepeatedTexts *RepeatedTexts::current = nullptr;

void require(bool intact, const char *what)
{
    if (!intact)
        throw Json::DecodingError(what);
}

QString text(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
}

// Qt's own parser refuses deeper replies; the read-through below recurses once per level, so the same
// limit keeps a hostile reply from running the stack out.
constexpr int maxNesting = 1024;
// Levels above the document being read: an element of a list read on its own stands one below the list.
thread_local int levelsAbove = 0;

void requireNestingAllowed(const ondemand::value &value)
{
    require(value.current_depth() + levelsAbove <= maxNesting, "too deeply nested");
}

// On-Demand checks only what it is asked to read, so a value a record ignores is read through to its end:
// bytes that are not JSON fail wherever they stand, as they always did.
void readThrough(ondemand::value &value)
{
    switch (take(value.type())) {
    case JsonType::array:
        requireNestingAllowed(value);
        for (auto item : take(value.get_array())) {
            ondemand::value element = take(std::move(item));
            readThrough(element);
        }
        return;
    case JsonType::object:
        requireNestingAllowed(value);
        for (auto entry : take(value.get_object())) {
            ondemand::field field = take(std::move(entry));
            take(field.unescaped_key());
            readThrough(field.value());
        }
        return;
    case JsonType::number:
        take(value.get_double());
        return;
    case JsonType::string:
        take(value.get_string());
        return;
    case JsonType::boolean:
        take(value.get_bool());
        return;
    case JsonType::null:
        require(take(value.is_null()), "expected null");
        return;
    }
    throw Json::DecodingError("expected a JSON value");
}

// The readers below give false for a value of the wrong type, after reading it through, so that a caller
// that forgives the mistake (an entry's documents) still has the rest of the reply checked.

bool readText(ondemand::value &value, QString &target)
{
    if (take(value.type()) != JsonType::string) {
        readThrough(value);
        return false;
    }
    // A text without escapes is read where it lies in the reply: the parser would first copy every text
    // into memory of its own, as much fresh memory again as the texts take.
    const std::string_view token = value.raw_json_token();
    const size_t close = token.find('"', 1);
    const std::string_view content = token.substr(1, close == std::string_view::npos ? 0 : close - 1);
    if (close != std::string_view::npos && content.find('\\') == std::string_view::npos) {
        take(value.get_raw_json_string());
        target = text(content);
        return true;
    }
    target = text(take(value.get_string()));
    return true;
}

bool readOptionalText(ondemand::value &value, std::optional<QString> &target)
{
    if (take(value.is_null())) {
        target.reset();
        return true;
    }
    QString present;
    const bool intact = readText(value, present);
    target = std::move(present);
    return intact;
}

// Absent and null read as false.
bool readFlag(ondemand::value &value, bool &target)
{
    if (take(value.is_null())) {
        target = false;
        return true;
    }
    if (take(value.type()) != JsonType::boolean) {
        readThrough(value);
        return false;
    }
    target = take(value.get_bool());
    return true;
}

// Whole numbers only, written either way (3 or 3.0); beyond about ±9.2e18 nothing is exact any more.
bool readWholeNumber(ondemand::value &value, qint64 &target)
{
    constexpr double limit = 9.2e18;
    if (take(value.type()) != JsonType::number) {
        readThrough(value);
        return false;
    }
    ondemand::number number = take(value.get_number());
    switch (number.get_number_type()) {
    case ondemand::number_type::signed_integer:
        target = number.get_int64();
        return std::fabs(double(target)) <= limit;
    case ondemand::number_type::floating_point_number: {
        const double whole = number.get_double();
        if (!std::isfinite(whole) || std::trunc(whole) != whole || std::fabs(whole) > limit)
            return false;
        target = qint64(whole);
        return true;
    }
    case ondemand::number_type::unsigned_integer:
        return false;
    }
    return false;
}

bool readOptionalTexts(ondemand::value &value, std::optional<QStringList> &target)
{
    if (take(value.is_null())) {
        target.reset();
        return true;
    }
    if (take(value.type()) != JsonType::array) {
        readThrough(value);
        return false;
    }
    QStringList texts;
    bool intact = true;
    for (auto item : take(value.get_array())) {
        ondemand::value element = take(std::move(item));
        QString one;
        intact = readText(element, one) && intact;
        texts.append(std::move(one));
    }
    target = std::move(texts);
    return intact;
}

bool readAsset(ondemand::value &value, ImageAsset &asset)
{
    if (take(value.type()) != JsonType::object) {
        readThrough(value);
        return false;
    }
    bool intact = true;
    for (auto entry : take(value.get_object())) {
        ondemand::field field = take(std::move(entry));
        const std::string_view key = take(field.unescaped_key());
        ondemand::value &fieldValue = field.value();
        if (key == "_id")
            intact = readOptionalText(fieldValue, asset._id) && intact;
        else if (key == "uri")
            intact = readOptionalText(fieldValue, asset.uri) && intact;
        else if (key == "thumbnail")
            intact = readOptionalText(fieldValue, asset.thumbnail) && intact;
        else if (key == "fileName")
            intact = readOptionalText(fieldValue, asset.fileName) && intact;
        else if (key == "type")
            intact = readOptionalText(fieldValue, asset.type) && intact;
        else if (key == "medbitIds")
            intact = readOptionalTexts(fieldValue, asset.medbitIds) && intact;
        else
            readThrough(fieldValue);
    }
    return intact;
}

ImageAsset requiredAsset(ondemand::value &value)
{
    ImageAsset asset;
    require(readAsset(value, asset), "a document's keys are texts, and \"medbitIds\" a list of texts");
    return asset;
}

// The documents never cost the entry: anything but a list of well-formed documents gives none.
QList<ImageAsset> readDocuments(ondemand::value &value)
{
    if (take(value.type()) != JsonType::array) {
        readThrough(value);
        return {};
    }
    QList<ImageAsset> documents;
    bool intact = true;
    for (auto item : take(value.get_array())) {
        ondemand::value element = take(std::move(item));
        ImageAsset asset;
        intact = readAsset(element, asset) && intact;
        if (intact)
            documents.append(std::move(asset));
    }
    return intact ? documents : QList<ImageAsset>();
}

Medbit requiredMedbit(ondemand::value &value)
{
    require(take(value.type()) == JsonType::object, "expected an object");
    Medbit medbit;
    bool hasId = false, hasEntryText = false, hasDate = false;
    for (auto entry : take(value.get_object())) {
        ondemand::field field = take(std::move(entry));
        const std::string_view key = take(field.unescaped_key());
        ondemand::value &fieldValue = field.value();
        if (key == "_id") {
            require(readText(fieldValue, medbit.id), "\"_id\" must be a string");
            hasId = true;
        } else if (key == "entryText") {
            require(readText(fieldValue, medbit.entryText), "\"entryText\" must be a string");
            hasEntryText = true;
        } else if (key == "date") {
            require(readWholeNumber(fieldValue, medbit.date), "\"date\" must be a whole number");
            hasDate = true;
        } else if (key == "translated") {
            require(readOptionalText(fieldValue, medbit.translated), "\"translated\" must be a string");
        } else if (key == "language") {
            require(readOptionalText(fieldValue, medbit.language), "\"language\" must be a string");
            if (medbit.language)
                medbit.language = RepeatedTexts::shared(std::move(*medbit.language));
        } else if (key == "isApproxDate") {
            require(readFlag(fieldValue, medbit.isApproxDate), "\"isApproxDate\" must be a boolean");
        } else if (key == "isLocked") {
            require(readFlag(fieldValue, medbit.isLocked), "\"isLocked\" must be a boolean");
        } else if (key == "isStarred") {
            require(readFlag(fieldValue, medbit.isStarred), "\"isStarred\" must be a boolean");
        } else if (key == "tags") {
            std::optional<QStringList> tags;
            require(readOptionalTexts(fieldValue, tags), "\"tags\" must be a list of strings");
            medbit.tags = RepeatedTexts::shared(tags.value_or(QStringList()));
        } else if (key == "documents") {
            medbit.documents = readDocuments(fieldValue);
        } else {
            readThrough(fieldValue);
        }
    }
    require(hasId && hasEntryText && hasDate, "an entry needs \"_id\", \"entryText\" and \"date\"");
    return medbit;
}

// The root as a value to read from; a scalar root is never a record.
ondemand::value containerRoot(ondemand::document &document)
{
    const JsonType type = take(document.type());
    require(type == JsonType::object || type == JsonType::array, "expected an object");
    return take(document.get_value());
}

template <typename Record> using Reader = Record (*)(ondemand::value &);

template <typename Record> Record one(ondemand::document &document, Reader<Record> read)
{
    ondemand::value root = containerRoot(document);
    return read(root);
}

template <typename Record> QList<Record> list(ondemand::document &document, Reader<Record> read)
{
    require(take(document.type()) == JsonType::array, "expected an array");
    ondemand::array items = take(document.get_array());
    // Counted first, so that the list is taken once at its size: growing it moved every record to fresh
    // memory at each step, and the room left over would sit there for as long as the list is shown.
    QList<Record> records;
    records.reserve(qsizetype(take(items.count_elements())));
    for (auto item : items) {
        ondemand::value element = take(std::move(item));
        records.append(read(element));
    }
    return records;
}

// simdjson 3.0 takes a root null followed by white space for something else, so null is recognised here.
bool isNull(const QByteArray &json)
{
    const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    QByteArrayView rest(json);
    while (!rest.isEmpty() && isSpace(rest.front()))
        rest = rest.sliced(1);
    while (!rest.isEmpty() && isSpace(rest.back()))
        rest.chop(1);
    return rest == "null";
}

static_assert(simdjson::SIMDJSON_PADDING <= Json::readPastTheEnd, "the client leaves too little room after a reply");

// One parser per thread, kept: every decode reuses its buffers instead of taking new ones from the system.
// It keeps them for replies up to this size; a larger reply's (some 17 MB of capacity for a 10,000-entry
// timeline, of which some 4 MB are touched) go back once its decode is over, as they would otherwise stay
// resident for as long as the window is open.
constexpr size_t keptCapacity = size_t(1) << 20;

class KeptParser
{
public:
    KeptParser()
    {
        // simdjson's development checks (debug builds) hold its depth below the parser's maximum, 1,024 by
        // default: room for the deepest reply the read-through lets in. Decodes grow only the capacity.
        if (m_parser.max_depth() != maxNesting + 1)
            shrink();
        require(m_parser.max_depth() == maxNesting + 1, "out of memory");
    }
    ~KeptParser()
    {
        if (m_parser.capacity() > keptCapacity)
            shrink();
    }
    KeptParser(const KeptParser &) = delete;
    KeptParser &operator=(const KeptParser &) = delete;

    ondemand::parser &parser() { return m_parser; }

private:
    // A failure leaves the parser without buffers, and the next decode allocates afresh.
    void shrink()
    {
        const simdjson::error_code error = m_parser.allocate(simdjson::SIMDJSON_PADDING, maxNesting + 1);
        Q_UNUSED(error);
    }

    static thread_local ondemand::parser m_parser;
};

thread_local ondemand::parser KeptParser::m_parser;

// The bytes as simdjson reads them, up to a block past their end: where they lie when zeros follow them
// there (as every reply the client reads has), else in a padded copy. Anything else past the end could read
// as the rest of a document that was cut short.
simdjson::padded_string_view parserInput(const QByteArray &json, simdjson::padded_string &copy)
{
    if (Json::hasZeroedRoomPastTheEnd(json))
        return simdjson::padded_string_view(json.constData(), size_t(json.size()),
                                            size_t(json.size() + Json::readPastTheEnd));
    copy = simdjson::padded_string(json.constData(), size_t(json.size()));
    return copy;
}

template <typename Result, typename Record>
Result decode(const QByteArray &json, Result (*shape)(ondemand::document &, Reader<Record>), Reader<Record> read)
{
    simdjson::padded_string copy;
    KeptParser kept;
    ondemand::document document = take(kept.parser().iterate(parserInput(json, copy)));
    Result result = shape(document, read);
    // Past the last token the parser has no location left to give.
    require(document.current_location().error() == simdjson::OUT_OF_BOUNDS, "unexpected text after the value");
    return result;
}

// A list this long is decoded in parts side by side, an element at a time: most of such a decode is the
// first touch of the fresh memory its records take, which goes faster on several cores at once.
constexpr qsizetype sideBySideFrom = qsizetype(128) << 10;
constexpr int mostParts = 4;

// One part of a list: its elements, each an object of the same bytes that end at `roomEnd`, and the records
// they go into, one for each.
struct ListPart {
    QList<QByteArrayView> elements;
    Medbit *records = nullptr;
};

// Whether every element of the part decoded into its record.
bool decodeListPart(const ListPart &part, const char *roomEnd)
{
    const RepeatedTexts repeated;
    const QScopedValueRollback<int> below(levelsAbove, 1);
    KeptParser kept;
    try {
        Medbit *record = part.records;
        for (const QByteArrayView element : part.elements) {
            ondemand::document document =
                take(kept.parser().iterate(element.data(), size_t(element.size()), size_t(roomEnd - element.data())));
            *record++ = one<Medbit>(document, requiredMedbit);
            require(document.current_location().error() == simdjson::OUT_OF_BOUNDS, "unexpected text after the value");
        }
    } catch (const Json::DecodingError &) {
        return false;
    }
    return true;
}

} // namespace

namespace RecordDecoding
{

std::optional<QList<Medbit>> medbitListInParts(const QByteArray &json)
{
    simdjson::padded_string copy;
    const simdjson::padded_string_view input = parserInput(json, copy);
    const std::optional<QList<QByteArrayView>> elements =
        JsonListElements::objects(QByteArrayView(input.data(), qsizetype(input.size())));
    if (!elements)
        return std::nullopt;
    const char *roomEnd = input.data() + input.capacity();
    // The parts write straight into the list's own records, so that no part leaves a list of its own behind
    // in its thread's memory.
    QList<Medbit> records(elements->size());
    const qsizetype partCount = std::clamp<qsizetype>(QThread::idealThreadCount(), 1, mostParts);
    const qsizetype partSize = (elements->size() + partCount - 1) / partCount;
    QList<ListPart> parts;
    for (qsizetype first = 0; first < elements->size(); first += partSize)
        parts.append({elements->mid(first, partSize), records.data() + first});
    const QList<bool> decoded = QtConcurrent::blockingMapped<QList<bool>>(
        parts, [roomEnd](const ListPart &part) { return decodeListPart(part, roomEnd); });
    if (decoded.contains(false))
        return std::nullopt;
    return records;
}

Medbit medbit(const QByteArray &json)
{
    return decode(json, one<Medbit>, requiredMedbit);
}

std::optional<Medbit> optionalMedbit(const QByteArray &json)
{
    if (isNull(json))
        return std::nullopt;
    return medbit(json);
}

QList<Medbit> medbitList(const QByteArray &json)
{
    if (json.size() >= sideBySideFrom) {
        if (std::optional<QList<Medbit>> records = medbitListInParts(json))
            return std::move(*records);
    }
    const RepeatedTexts repeated;
    return decode(json, list<Medbit>, requiredMedbit);
}

ImageAsset imageAsset(const QByteArray &json)
{
    return decode(json, one<ImageAsset>, requiredAsset);
}

std::optional<ImageAsset> optionalImageAsset(const QByteArray &json)
{
    if (isNull(json))
        return std::nullopt;
    return imageAsset(json);
}

QList<ImageAsset> imageAssetList(const QByteArray &json)
{
    return decode(json, list<ImageAsset>, requiredAsset);
}

} // namespace RecordDecoding
