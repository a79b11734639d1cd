#include "orda_io_elt.h"

#include <cstdlib>
#include <cstring>

#include "orda_filters.h"
#include "orda_private.h"
#include "orda_streamed_string.h"

namespace {
constexpr unsigned Unknown = 0xFFFFFFFFu;

const char* const TypingError = "Check error : Incorrect typing during I/O element access.";
const char* const IndexError = "Check error : Bad vector index during I/O element access.";
const char* const NullElementError =
    "Check error : A NULL I/O Element was disregarded by a component (probably due a detachment not taken into account).";

int CheckLevel() { return ORDAPrivate::kernel ? ORDAPrivate::kernel->CheckLevel() : 0; }

void CheckType(const ORDATypeInfo& type, const ORDATypeFilterBase& filter)
{
    if (!filter.Match(type)) ORDAPrivate::KernelError(TypingError, 2);
}

void CheckIndex(int index, int bufferSize)
{
    if (index < 0 || index >= bufferSize) ORDAPrivate::KernelError(IndexError, 2);
}

void ReportError(const char* text) { ORDA::ReportError(text, 0); }

// How the size rules and the serialised data part treat a type.
enum class Kind { Items, Text, Matrix, IplImage, ORDAImage, AudioSignal, Triangles3D, Structure, Custom, Other };

struct SizeRule {
    ORDATypeInfoValue codes;  // the code bits of the predefined filter
    Kind kind;
    unsigned itemBytes;
};

// First match wins; the order is that of the predefined filters tested by
// the size functions.
constexpr SizeRule sizeRules[] = {
    {ORDA::Integer8, Kind::Items, 1},
    {ORDA::Integer16, Kind::Items, 2},
    {ORDA::Integer32, Kind::Items, 4},
    {ORDA::Integer64, Kind::Items, 8},
    {ORDA::UnsignedInteger8, Kind::Items, 1},
    {ORDA::UnsignedInteger16, Kind::Items, 2},
    {ORDA::UnsignedInteger32, Kind::Items, 4},
    {ORDA::UnsignedInteger64, Kind::Items, 8},
    {ORDA::Float32, Kind::Items, 4},
    {ORDA::Float64, Kind::Items, 8},
    {ORDA::TextAscii, Kind::Text, 1},
    {ORDA::TextUnicode, Kind::Items, 2},
    {ORDA::CANFrame, Kind::Items, 24},
    {ORDA::CANFDFrame, Kind::Items, 80},
    {ORDA::CANUniFrame, Kind::Items, 96},
    {ORDA::Matrix, Kind::Matrix, 16},
    {ORDA::IplImage, Kind::IplImage, 1},
    {ORDA::ORDAImage, Kind::ORDAImage, 1},
    {ORDA::RealObject, Kind::Items, 320},
    {ORDA::DrawingObject, Kind::Items, 96},
    {ORDA::Stream8, Kind::Items, 1},
    {ORDA::Stream16, Kind::Items, 2},
    {ORDA::Stream32, Kind::Items, 4},
    {ORDA::AudioSignal, Kind::AudioSignal, 1},
    {ORDA::Triangles3D, Kind::Triangles3D, 56},
    {ORDA::Structure, Kind::Structure, 1},
    {ORDA::CustomType, Kind::Custom, 0},
};

const SizeRule& RuleOf(ORDATypeInfoValue value)
{
    static constexpr SizeRule other{0, Kind::Other, 0};
    for (const SizeRule& rule : sizeRules)
        if (value & rule.codes) return rule;
    return other;
}

constexpr unsigned MatrixHeader = sizeof(ORDAMatrix);
constexpr unsigned IplHeader = sizeof(IplImage);
constexpr unsigned RoiBytes = sizeof(IplROI);
constexpr unsigned ImageHeader = sizeof(ORDAImage);
constexpr unsigned AudioHeader = sizeof(ORDAAudioSignal);
constexpr unsigned TrianglesHeader = sizeof(ORDATriangles3D);

// Sizes are computed wide and saturate to Unknown: a count that does not
// fit is as unusable as an unknown one. Negative counts hold nothing.
unsigned Saturate(std::uint64_t bytes) { return bytes >= Unknown ? Unknown : static_cast<unsigned>(bytes); }
std::uint64_t Count(std::int64_t n) { return n < 0 ? 0 : static_cast<std::uint64_t>(n); }

std::uint64_t MatrixItems(const ORDAMatrix& m) { return Count(m.rows) * Count(m.cols); }

unsigned UsedBytes(const SizeRule& rule, const void* data, std::int32_t V, std::int32_t B, bool* contiguous)
{
    auto setContiguous = [contiguous](bool value) {
        if (contiguous) *contiguous = value;
    };
    switch (rule.kind) {
    case Kind::Items:
        setContiguous(true);
        return Saturate(rule.itemBytes * Count(V));
    case Kind::Text:
        setContiguous(true);
        return Saturate(V < B ? Count(V) + 1 : Count(B));
    case Kind::Structure:
        setContiguous(true);
        return Saturate(Count(B));
    case Kind::Matrix: {
        setContiguous(false);
        std::uint64_t bytes = MatrixHeader;
        if (data) {
            const auto& m = *static_cast<const ORDAMatrix*>(data);
            if (m.firstArray) bytes += 8 * MatrixItems(m);
            if (m.secondArray) bytes += 8 * MatrixItems(m);
        }
        return Saturate(bytes);
    }
    case Kind::IplImage: {
        setContiguous(false);
        std::uint64_t bytes = IplHeader;
        if (data) {
            const auto& h = *static_cast<const IplImage*>(data);
            if (h.roi) bytes += RoiBytes;
            if (h.imageData) bytes += Count(h.imageSize);
        }
        return Saturate(bytes);
    }
    case Kind::ORDAImage: {
        setContiguous(false);
        std::uint64_t bytes = ImageHeader;
        if (data) {
            const auto& h = *static_cast<const ORDAImage*>(data);
            if (h.imageData) bytes += Count(h.imageSize);
        }
        return Saturate(bytes);
    }
    case Kind::AudioSignal: {
        setContiguous(false);
        std::uint64_t bytes = AudioHeader;
        if (data) bytes += static_cast<const ORDAAudioSignal*>(data)->streamSizeInBytes;
        return Saturate(bytes);
    }
    case Kind::Triangles3D: {
        setContiguous(false);
        std::uint64_t bytes = TrianglesHeader;
        if (data) {
            const auto& h = *static_cast<const ORDATriangles3D*>(data);
            if (h.objects) bytes += sizeof(ORDA3DObject) * Count(V);
            if (h.points) bytes += sizeof(ORDA3DPoint) * Count(V);
            if (h.triangles) bytes += sizeof(ORDA3DTriangle) * Count(V);
        }
        return Saturate(bytes);
    }
    case Kind::Custom:
        setContiguous(false);
        return Unknown;
    case Kind::Other:
        break;
    }
    return Unknown;
}

unsigned NeededBytes(const SizeRule& rule, std::int32_t B, bool* contiguous)
{
    auto set = [contiguous](bool value) {
        if (contiguous) *contiguous = value;
    };
    const std::uint64_t b = Count(B);
    switch (rule.kind) {
    case Kind::Items:
    case Kind::Text:
    case Kind::Structure:
        set(true);
        return Saturate(rule.itemBytes * b);
    case Kind::Matrix:
        set(false);
        return Saturate(MatrixHeader + 16 * b);
    case Kind::IplImage:
        set(false);
        return Saturate(b + IplHeader + RoiBytes);
    case Kind::ORDAImage:
        set(false);
        return Saturate(b + ImageHeader);
    case Kind::AudioSignal:
        set(false);
        return Saturate(b + AudioHeader);
    case Kind::Triangles3D:
        set(false);
        return Saturate(TrianglesHeader + 56 * b);
    case Kind::Custom:
        set(false);
        return Unknown;
    case Kind::Other:
        break;
    }
    return Saturate(b);
}

bool IsComposite(Kind kind)
{
    return kind == Kind::Matrix || kind == Kind::IplImage || kind == Kind::ORDAImage || kind == Kind::AudioSignal ||
           kind == Kind::Triangles3D;
}

unsigned StringLength(const ORDAStackedString<40>* s) { return s ? static_cast<unsigned>(s->Length()) : 0; }

// Sequential writer and reader of the packed native-order block.
class Writer {
public:
    explicit Writer(std::uint8_t* destination) : m_start(destination), m_at(destination) {}
    template <class T>
    void Put(T value)
    {
        std::memcpy(m_at, &value, sizeof(T));
        m_at += sizeof(T);
    }
    // Returns where the bytes now lie in the block.
    std::uint8_t* PutBytes(const void* bytes, std::size_t n)
    {
        std::uint8_t* at = m_at;
        if (n) std::memcpy(m_at, bytes, n);
        m_at += n;
        return at;
    }
    void PutString(const ORDAStackedString<40>* s)
    {
        const unsigned n = StringLength(s);
        Put<std::int32_t>(static_cast<std::int32_t>(n));
        if (n == 0) return;
        PutBytes(s->Beginning(), n);
        Put<std::uint8_t>(0);
    }
    std::uint8_t* At() const { return m_at; }
    int Written() const { return static_cast<int>(m_at - m_start); }

private:
    std::uint8_t* m_start;
    std::uint8_t* m_at;
};

class Reader {
public:
    explicit Reader(const std::uint8_t* source) : m_at(source) {}
    template <class T>
    T Get()
    {
        T value;
        std::memcpy(&value, m_at, sizeof(T));
        m_at += sizeof(T);
        return value;
    }
    const std::uint8_t* Take(std::size_t n)
    {
        const std::uint8_t* at = m_at;
        m_at += n;
        return at;
    }
    void Skip(std::size_t n) { m_at += n; }
    // A length and, when positive, that many characters and a zero byte. The
    // text ends at the first zero but never beyond the stored length.
    void GetString(ORDAStackedString<40>*& target)
    {
        const std::int32_t n = Get<std::int32_t>();
        if (n <= 0) {
            if (target) *target = "";
            return;
        }
        const char* text = reinterpret_cast<const char*>(Take(static_cast<std::size_t>(n) + 1));
        const std::size_t length = strnlen(text, static_cast<std::size_t>(n));
        if (!target) target = new ORDAStackedString<40>();
        ORDAStackedString<40> value(static_cast<int>(length), true);
        for (std::size_t k = 0; k < length; ++k) value[static_cast<int>(k)] = text[k];
        *target = value;
    }

private:
    const std::uint8_t* m_at;
};
}

// ---- checked typed access ---------------------------------------------------

template <class T>
T* ORDAIOEltImplementation::Items(const ORDATypeFilterBase& filter)
{
    if (CheckLevel() > 0) CheckType(type, filter);
    return static_cast<T*>(data);
}

template <class T>
T& ORDAIOEltImplementation::Item(const ORDATypeFilterBase& filter, int i, int itemBytes)
{
    if (CheckLevel() > 0) {
        CheckType(type, filter);
        CheckIndex(i, bufferSize);
    }
    return *reinterpret_cast<T*>(static_cast<std::uint8_t*>(data) + static_cast<std::ptrdiff_t>(i) * itemBytes);
}

std::int32_t& ORDAIOEltImplementation::Integer(int i) { return Item<std::int32_t>(ORDA::FilterIntegers32, i); }
std::int32_t& ORDAIOEltImplementation::Integer32(int i) { return Item<std::int32_t>(ORDA::FilterIntegers32, i); }
std::int64_t& ORDAIOEltImplementation::Integer64(int i) { return Item<std::int64_t>(ORDA::FilterIntegers64, i); }
double& ORDAIOEltImplementation::Float64(int i) { return Item<double>(ORDA::FilterFloats64, i); }
float& ORDAIOEltImplementation::Float32(int i) { return Item<float>(ORDA::FilterFloats32, i); }
char* ORDAIOEltImplementation::Text() { return Items<char>(ORDA::FilterTextAscii); }
char* ORDAIOEltImplementation::TextAscii() { return Items<char>(ORDA::FilterTextAscii); }
std::uint16_t* ORDAIOEltImplementation::TextUnicode() { return Items<std::uint16_t>(ORDA::FilterTextUnicode); }
::IplImage& ORDAIOEltImplementation::IplImage() { return *Items<::IplImage>(ORDA::FilterIplImage); }
::ORDAImage& ORDAIOEltImplementation::ORDAImage() { return *Items<::ORDAImage>(ORDA::FilterORDAImage); }
ORDACANFrame& ORDAIOEltImplementation::CANFrame(int i)
{
    return Item<ORDACANFrame>(ORDA::FilterCANFrame, i, ORDA::CANFrameBytes);
}
ORDAMatrix& ORDAIOEltImplementation::Matrix() { return *Items<ORDAMatrix>(ORDA::FilterMatrix); }
ORDARealObject& ORDAIOEltImplementation::RealObject(int i) { return Item<ORDARealObject>(ORDA::FilterRealObjects, i); }
ORDADrawingObject& ORDAIOEltImplementation::DrawingObject(int i)
{
    return Item<ORDADrawingObject>(ORDA::FilterDrawingObjects, i);
}
ORDATriangles3D& ORDAIOEltImplementation::Triangles3D() { return *Items<ORDATriangles3D>(ORDA::FilterTriangles3D); }
std::uint8_t* ORDAIOEltImplementation::Stream8() { return Items<std::uint8_t>(ORDA::FilterStream8); }
std::uint16_t* ORDAIOEltImplementation::Stream16() { return Items<std::uint16_t>(ORDA::FilterStream16); }
std::uint32_t* ORDAIOEltImplementation::Stream32() { return Items<std::uint32_t>(ORDA::FilterStream32); }
ORDAAudioSignal& ORDAIOEltImplementation::AudioSignal() { return *Items<ORDAAudioSignal>(ORDA::FilterAudioSignal); }

void ORDAIOEltImplementation::Check(ORDAIOElt* element, const ORDATypeFilterBase& filter)
{
    if (CheckLevel() <= 0) return;
    if (!element) ORDAPrivate::KernelError(NullElementError, 2);
    CheckType(element->Type(), filter);
}

void ORDAIOEltImplementation::Check(ORDAIOElt* element, const ORDATypeFilterBase& filter, int index)
{
    if (CheckLevel() <= 0) return;
    if (!element) ORDAPrivate::KernelError(NullElementError, 2);
    CheckType(element->Type(), filter);
    CheckIndex(index, element->BufferSize());
}

// ---- sizes ------------------------------------------------------------------

unsigned ORDAIOEltImplementation::IOEltNeededBufferSizeInBytes(bool* contiguous)
{
    return NeededBytes(RuleOf(type.value), bufferSize, contiguous);
}

unsigned ORDAIOEltImplementation::IOEltUsedSizeInBytesUnchecked(bool* contiguous)
{
    return UsedBytes(RuleOf(type.value), data, vectorSize, bufferSize, contiguous);
}

unsigned ORDAIOEltImplementation::IOEltBufferSizeInBytes(bool* contiguous)
{
    return data ? IOEltNeededBufferSizeInBytes(contiguous) : 0;
}

unsigned ORDAIOEltImplementation::IOEltUsedSizeInBytes(bool* contiguous)
{
    return data ? IOEltUsedSizeInBytesUnchecked(contiguous) : 0;
}

int ORDAIOElt::SerializedIOEltSizeInBytes(void* element)
{
    if (!element) return -1;
    ORDAIOElt& e = *static_cast<ORDAIOElt*>(element);
    const SizeRule& rule = RuleOf(e.Type().value);
    const std::int32_t V = e.VectorSize();
    const std::int32_t B = e.BufferSize();
    unsigned bytes;
    switch (rule.kind) {
    case Kind::Items:
        // Real and drawing objects count their capacity.
        bytes = (rule.codes == ORDA::RealObject || rule.codes == ORDA::DrawingObject)
                    ? Saturate(rule.itemBytes * Count(B))
                    : UsedBytes(rule, e.Data(), V, B, nullptr);
        break;
    case Kind::Text:
        bytes = Saturate(Count(V));
        break;
    case Kind::Custom:
        return -1;
    case Kind::Matrix:
    case Kind::IplImage:
    case Kind::ORDAImage:
    case Kind::Triangles3D:
        bytes = UsedBytes(rule, e.Data(), V, B, nullptr);
        break;
    default:
        bytes = Saturate(Count(B));
        break;
    }
    return bytes > 0x7FFFFFFFu ? -1 : static_cast<int>(bytes);
}

bool ORDAIOElt::IsDeserializable(void*)
{
    ORDA::ReportError("ORDAIOElt::IsDeserializable not implemented yet. Returns always true.", 0);
    return true;
}

// ---- serialisation ----------------------------------------------------------

int ORDAIOEltImplementation::Serialize(void* destination, unsigned capacity)
{
    const unsigned unitLength = StringLength(type.unit);
    const unsigned nameLength = StringLength(type.name);
    bool contiguous = false;
    const unsigned used = data ? IOEltUsedSizeInBytesUnchecked(&contiguous) : 0;
    const std::uint64_t total = ORDA::IOEltFixedSerializedBytes + (unitLength ? unitLength + 1 : 0) +
                                (nameLength ? nameLength + 1 : 0) + (used == Unknown ? 0 : used);
    // An element whose data size is unknown cannot be serialised at all;
    // it must not be announced as a small block.
    if (!destination) return used == Unknown || total > 0x7FFFFFFF ? -1 : static_cast<int>(total);
    if (used != Unknown && capacity < total) return -1;

    auto* const block = static_cast<std::uint8_t*>(destination);
    Writer out(block);
    out.Put<std::int32_t>(ORDA::IOEltFormatVersion);
    out.Put<std::int32_t>(bufferSize);
    out.Put<std::int32_t>(vectorSize);
    out.Put<std::int64_t>(timestamp);
    out.Put<std::int64_t>(timeOfIssue);
    out.Put<std::int64_t>(type.value);
    out.PutString(type.unit);
    out.PutString(type.name);
    out.Put<std::int64_t>(frequency);
    out.Put<std::int32_t>(quality);
    out.Put<std::int32_t>(misc1);
    out.Put<std::int32_t>(misc2);
    out.Put<std::int32_t>(misc3);
    if (!data) return out.Written();

    const unsigned room = capacity - static_cast<unsigned>(out.Written());
    if (used == Unknown || room < used) {
        ReportError("ORDAIOElt serialization is not possible : destination memory is too small.");
        return -1;
    }
    if (contiguous) {
        out.PutBytes(data, used);
        return out.Written();
    }

    // An audio header may announce samples it does not carry: the block is
    // still as long as announced, so that readers of a sequence of blocks
    // advance correctly.
    auto Finish = [](Writer& w, std::uint64_t announced) {
        const std::uint64_t written = static_cast<std::uint64_t>(w.Written());
        if (written < announced) std::memset(w.At(), 0, announced - written);
        return static_cast<int>(announced);
    };
    const SizeRule& rule = RuleOf(type.value);
    switch (rule.kind) {
    case Kind::Matrix: {
        const auto& m = *static_cast<const ORDAMatrix*>(data);
        auto* copy = reinterpret_cast<ORDAMatrix*>(out.PutBytes(&m, sizeof m));
        const std::size_t arrayBytes = 8 * MatrixItems(m);
        // The copied header is unaligned inside the block: patch by memcpy.
        if (m.firstArray) {
            double* at = reinterpret_cast<double*>(out.PutBytes(m.firstArray, arrayBytes));
            std::memcpy(reinterpret_cast<std::uint8_t*>(copy) + offsetof(ORDAMatrix, firstArray), &at, sizeof at);
        }
        if (m.secondArray) {
            double* at = reinterpret_cast<double*>(out.PutBytes(m.secondArray, arrayBytes));
            std::memcpy(reinterpret_cast<std::uint8_t*>(copy) + offsetof(ORDAMatrix, secondArray), &at, sizeof at);
        }
        return Finish(out, total);
    }
    case Kind::IplImage: {
        const auto& h = *static_cast<const ::IplImage*>(data);
        std::uint8_t* copy = out.PutBytes(&h, sizeof h);
        if (h.roi) {
            std::uint8_t* at = out.PutBytes(h.roi, RoiBytes);
            std::memcpy(copy + offsetof(::IplImage, roi), &at, sizeof at);
        }
        if (h.imageData) {
            std::uint8_t* at = out.PutBytes(h.imageData, Count(h.imageSize));
            std::memcpy(copy + offsetof(::IplImage, imageData), &at, sizeof at);
        }
        return Finish(out, total);
    }
    case Kind::ORDAImage: {
        const auto& h = *static_cast<const ::ORDAImage*>(data);
        std::uint8_t* copy = out.PutBytes(&h, sizeof h);
        if (h.imageData) {
            std::uint8_t* at = out.PutBytes(h.imageData, Count(h.imageSize));
            std::memcpy(copy + offsetof(::ORDAImage, imageData), &at, sizeof at);
        }
        return Finish(out, total);
    }
    case Kind::AudioSignal: {
        const auto& h = *static_cast<const ORDAAudioSignal*>(data);
        std::uint8_t* copy = out.PutBytes(&h, sizeof h);
        if (h.streamData) {
            std::uint8_t* at = out.PutBytes(h.streamData, h.streamSizeInBytes);
            std::memcpy(copy + offsetof(ORDAAudioSignal, streamData), &at, sizeof at);
        }
        return Finish(out, total);
    }
    case Kind::Triangles3D: {
        const auto& h = *static_cast<const ORDATriangles3D*>(data);
        std::uint8_t* copy = out.PutBytes(&h, sizeof h);
        const std::uint64_t V = Count(vectorSize);
        if (h.objects) {
            std::uint8_t* at = out.PutBytes(h.objects, sizeof(ORDA3DObject) * V);
            std::memcpy(copy + offsetof(ORDATriangles3D, objects), &at, sizeof at);
        }
        if (h.points) {
            std::uint8_t* at = out.PutBytes(h.points, sizeof(ORDA3DPoint) * V);
            std::memcpy(copy + offsetof(ORDATriangles3D, points), &at, sizeof at);
        }
        if (h.triangles) {
            std::uint8_t* at = out.PutBytes(h.triangles, sizeof(ORDA3DTriangle) * V);
            std::memcpy(copy + offsetof(ORDATriangles3D, triangles), &at, sizeof at);
        }
        return Finish(out, total);
    }
    case Kind::Custom:
        ReportError("ORDAIOElt serialization not supported for custom types.");
        return -1;
    default:
        ReportError("ORDAIOElt serialization impossible : unknown type for ORDAIOElt.");
        return -1;
    }
}

namespace {
// Reads one optional array of a composite block into place (or skips the
// copy when the element offers no place for it).
void CopyArray(Reader& in, void* place, std::uint64_t bytes)
{
    const std::uint8_t* from = in.Take(bytes);
    if (place && bytes) std::memcpy(place, from, bytes);
}

}

int ORDAIOEltImplementation::Deserialize(void* source, bool allocate)
{
    if (!source) {
        ReportError("ORDAIOElt deserialization impossible : source pointer is NULL");
        return -1;
    }
    Reader in(static_cast<const std::uint8_t*>(source));
    const std::int32_t version = in.Get<std::int32_t>();
    if (version > ORDA::IOEltFormatVersion) {
        ORDAStreamedString text;
        text << "Wrong binary format version for ORDAIOElt, " << "received = " << version << ", current = "
             << ORDA::IOEltFormatVersion;
        ReportError(text.Beginning());
        return -1;
    }
    if (!data && !allocate) {
        ReportError("ORDAIOElt deserialization impossible : destination is not allocated properly.");
        return -1;
    }
    const std::int32_t blockBufferSize = in.Get<std::int32_t>();
    const std::int32_t blockVectorSize = in.Get<std::int32_t>();
    const bool hadBuffer = data != nullptr;
    // What the present buffer holds, judged by the type it was made for.
    const unsigned capacityBytes = hadBuffer ? IOEltNeededBufferSizeInBytes(nullptr) : 0;
    const ORDATypeInfoValue previousType = type.value;
    if (blockBufferSize < 0 || (hadBuffer && bufferSize < blockBufferSize)) {
        ReportError("ORDAIOElt deserialization impossible : deserialized buffer size is bigger than allocated buffer "
                    "size.");
        return -1;
    }
    if (!hadBuffer) bufferSize = blockBufferSize;
    if (blockVectorSize < 0 || blockVectorSize > bufferSize) {
        ReportError("ORDAIOElt deserialization impossible : deserialized vector size is bigger than allocated buffer "
                    "size.");
        return -1;
    }

    vectorSize = blockVectorSize;
    timestamp = in.Get<std::int64_t>();
    if (version > 100) in.Skip(sizeof(ORDATimestamp));  // the element keeps its own time of issue
    type.value = in.Get<std::int64_t>();
    in.GetString(type.unit);
    in.GetString(type.name);
    frequency = in.Get<std::int64_t>();
    quality = in.Get<std::int32_t>();
    misc1 = in.Get<std::int32_t>();
    misc2 = in.Get<std::int32_t>();
    misc3 = in.Get<std::int32_t>();

    const SizeRule& rule = RuleOf(type.value);
    if (rule.kind == Kind::Custom) {
        ReportError("ORDAIOElt deserialization not supported for custom types.");
        return -1;
    }
    bool contiguous = false;
    const unsigned needed = NeededBytes(rule, bufferSize, &contiguous);
    if (!contiguous && !IsComposite(rule.kind)) return -1;
    if (hadBuffer && needed > capacityBytes) {
        // The buffer was made for a smaller type: the block would overrun it.
        ReportError("ORDAIOElt deserialization impossible : deserialized buffer size is bigger than allocated buffer "
                    "size.");
        return -1;
    }
    if (!hadBuffer) {
        void* buffer = needed == Unknown ? nullptr : std::calloc(needed ? needed : 1, 1);
        if (!buffer) {
            ReportError("ORDAIOelt deserialization impossible : not enough memory.");
            return -1;
        }
        data = buffer;
    }
    // Arrays go right after the header when the buffer is new, or when the
    // old buffer held another type (its pointers mean nothing here).
    const bool freshLayout = !hadBuffer || (previousType & rule.codes) == 0 || RuleOf(previousType).kind != rule.kind;

    auto* const buffer = static_cast<std::uint8_t*>(data);
    const std::uint64_t B = Count(bufferSize);
    if (contiguous) {
        // The block's own buffer size says how much it carries; the element's
        // may be larger.
        const unsigned used = UsedBytes(rule, buffer, vectorSize, blockBufferSize, nullptr);
        std::memcpy(buffer, in.Take(used), used);
        if (rule.kind == Kind::Text && vectorSize < bufferSize) buffer[vectorSize] = 0;
        return 0;
    }

    auto refuseArrays = [](std::uint64_t needBytes, std::uint64_t room) {
        if (needBytes <= room) return false;
        ReportError("ORDAIOElt deserialization impossible : deserialized vector size is bigger than allocated buffer "
                    "size.");
        return true;
    };

    switch (rule.kind) {
    case Kind::Matrix: {
        ORDAMatrix received;
        std::memcpy(&received, in.Take(sizeof received), sizeof received);
        const std::uint64_t items = MatrixItems(received);
        if (refuseArrays(items, B)) return -1;
        auto& m = *reinterpret_cast<ORDAMatrix*>(buffer);
        m = received;
        double* first = reinterpret_cast<double*>(buffer + MatrixHeader);
        // A matrix buffer always has its arrays at fixed places.
        double* second = reinterpret_cast<double*>(buffer + MatrixHeader + 8 * (hadBuffer ? B : items));
        if (received.firstArray) {
            m.firstArray = first;
            CopyArray(in, first, 8 * items);
        }
        if (received.secondArray) {
            m.secondArray = second;
            CopyArray(in, second, 8 * items);
        }
        return 0;
    }
    case Kind::IplImage: {
        ::IplImage received;
        std::memcpy(&received, in.Take(sizeof received), sizeof received);
        if (refuseArrays(received.imageData ? Count(received.imageSize) : 0, B)) return -1;
        auto& h = *reinterpret_cast<::IplImage*>(buffer);
        IplROI* roi = h.roi;
        char* pixels = h.imageData;
        if (freshLayout) {
            roi = reinterpret_cast<IplROI*>(buffer + IplHeader);
            pixels = reinterpret_cast<char*>(buffer + IplHeader + (received.roi ? RoiBytes : 0));
        }
        h = received;
        if (received.roi) {
            h.roi = roi;
            CopyArray(in, roi, RoiBytes);
            if (!roi) return 0;
        }
        if (received.imageData) {
            h.imageData = pixels;
            CopyArray(in, pixels, Count(received.imageSize));
        }
        return 0;
    }
    case Kind::ORDAImage: {
        ::ORDAImage received;
        std::memcpy(&received, in.Take(sizeof received), sizeof received);
        if (refuseArrays(received.imageData ? Count(received.imageSize) : 0, B)) return -1;
        auto& h = *reinterpret_cast<::ORDAImage*>(buffer);
        char* pixels = freshLayout ? reinterpret_cast<char*>(buffer + ImageHeader) : h.imageData;
        h = received;
        if (received.imageData) {
            h.imageData = pixels;
            CopyArray(in, pixels, Count(received.imageSize));
        }
        return 0;
    }
    case Kind::AudioSignal: {
        ORDAAudioSignal received;
        std::memcpy(&received, in.Take(sizeof received), sizeof received);
        if (refuseArrays(received.streamData ? received.streamSizeInBytes : 0, B)) return -1;
        auto& h = *reinterpret_cast<ORDAAudioSignal*>(buffer);
        void* samples = freshLayout ? static_cast<void*>(buffer + AudioHeader) : h.streamData;
        h = received;
        if (received.streamData) {
            h.streamData = samples;
            CopyArray(in, samples, received.streamSizeInBytes);
        }
        return 0;
    }
    case Kind::Triangles3D: {
        ORDATriangles3D received;
        std::memcpy(&received, in.Take(sizeof received), sizeof received);
        auto& h = *reinterpret_cast<ORDATriangles3D*>(buffer);
        ORDA3DObject* objects = h.objects;
        ORDA3DPoint* points = h.points;
        ORDA3DTriangle* triangles = h.triangles;
        if (freshLayout) {
            objects = reinterpret_cast<ORDA3DObject*>(buffer + TrianglesHeader);
            points = reinterpret_cast<ORDA3DPoint*>(buffer + TrianglesHeader + 16 * B);
            triangles = reinterpret_cast<ORDA3DTriangle*>(buffer + TrianglesHeader + 40 * B);
        }
        h = received;
        const std::uint64_t V = Count(vectorSize);
        if (received.objects) {
            h.objects = objects;
            CopyArray(in, objects, sizeof(ORDA3DObject) * V);
            if (!objects) return 0;
        }
        if (received.points) {
            h.points = points;
            CopyArray(in, points, sizeof(ORDA3DPoint) * V);
            if (!points) return 0;
        }
        if (received.triangles) {
            h.triangles = triangles;
            CopyArray(in, triangles, sizeof(ORDA3DTriangle) * V);
        }
        return 0;
    }
    default:
        return -1;
    }
}
