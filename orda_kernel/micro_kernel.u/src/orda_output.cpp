#include "orda_output.h"

#include <climits>
#include <cstring>
#include <exception>
#include <limits>
#include <new>

#include "orda_element_names.h"
#include "orda_filters.h"
#include "orda_input.h"
#include "orda_io_monitor.h"
#include "orda_module.h"
#include "orda_private.h"
#include "orda_streamed_string.h"
#include "orda_type_codes.h"

namespace {
void SignalOverflow(void* output)
{
    if (ORDAPrivate::kernel) ORDAPrivate::kernel->SignalFifoOverflow(static_cast<ORDAOutput*>(output));
}

[[noreturn]] void NegativeArgument(const char* function, int line, const char* what, long value)
{
    ORDAStreamedString message;
    message << function << ":" << line << ": " << what << " [" << value << "] < 0";
    ORDAPrivate::KernelError(message.Beginning(), 1);
}

enum class Layout { Array, Text, Matrix, IplImage, ORDAImage, Triangles, Audio, Bytes };

struct LayoutChoice {
    Layout layout;
    int itemBytes;
};

LayoutChoice ChooseLayout(const ORDATypeInfo& type)
{
    struct Entry {
        const ORDATypeFilterBase& filter;
        Layout layout;
        int itemBytes;
    };
    const Entry table[] = {
        {ORDA::FilterIntegers8, Layout::Array, 1},
        {ORDA::FilterIntegers16, Layout::Array, 2},
        {ORDA::FilterIntegers32, Layout::Array, 4},
        {ORDA::FilterIntegers64, Layout::Array, 8},
        {ORDA::FilterUnsignedIntegers8, Layout::Array, 1},
        {ORDA::FilterUnsignedIntegers16, Layout::Array, 2},
        {ORDA::FilterUnsignedIntegers32, Layout::Array, 4},
        {ORDA::FilterUnsignedIntegers64, Layout::Array, 8},
        {ORDA::FilterFloat32, Layout::Array, 4},
        {ORDA::FilterFloat64, Layout::Array, 8},
        {ORDA::FilterTextAscii, Layout::Text, 1},
        {ORDA::FilterTextUnicode, Layout::Text, 2},
        {ORDA::FilterCANFrame, Layout::Array, 24},
        {ORDA::FilterCANFDFrame, Layout::Array, 80},
        {ORDA::FilterCANUniFrame, Layout::Array, 96},
        {ORDA::FilterMatrix, Layout::Matrix, 16},
        {ORDA::FilterIplImage, Layout::IplImage, 1},
        {ORDA::FilterORDAImage, Layout::ORDAImage, 1},
        {ORDA::FilterRealObjects, Layout::Array, 320},
        {ORDA::FilterDrawingObjects, Layout::Array, 96},
        {ORDA::FilterTriangles3D, Layout::Triangles, 56},
        {ORDA::FilterStream8, Layout::Bytes, 1},
        {ORDA::FilterStream16, Layout::Bytes, 1},
        {ORDA::FilterStream32, Layout::Bytes, 1},
        {ORDA::FilterAudioSignal, Layout::Audio, 1},
    };
    for (const Entry& e : table)
        if (e.filter.Match(type)) return {e.layout, e.itemBytes};
    return {Layout::Bytes, 1};
}

// Bytes per slot must fit the 32-bit slot size the host reads.
void CheckSlotBytes(long long bytes, const ORDAStackedString<40>& output)
{
    if (bytes <= INT_MAX) return;
    ORDAStreamedString message;
    message << "AllocOutputBuffer: requested buffer size [" << bytes << "] of output [" << output
            << "] exceeds " << INT_MAX << " bytes per slot.";
    ORDAPrivate::KernelError(message.Beginning(), 1);
}

// Slots holding a header start on its alignment, whatever the payload size.
long long Stride(long long bytes) { return (bytes + 7) & ~7LL; }

void FillUnknown(char (&field)[4]) { std::memcpy(field, "????", 4); }
}

ORDAOutputImplementation::ORDAOutputImplementation(const ORDAOutputDefinition& d, ORDAModule* o, const char* full,
                                                   const char* shortN)
    : fullName(full), shortName(shortN), definition(d), owner(o)
{
    if (definition.size != 1 && !(definition.type.value & ORDA::VectorFlag)) definition.type.value |= ORDA::VectorFlag;
    monitor = new ORDAIOMonitorImplementation(this, owner ? &owner->DyingEvent() : &m_ownDyingEvent,
                                              definition.fifoSize, definition.subsampling);
    monitor->overflowCallback = &SignalOverflow;
}

ORDAOutputImplementation::~ORDAOutputImplementation()
{
    // Inputs must not keep pointing at a FIFO that goes away.
    while (auto* c = connectedInputs.First()) {
        ORDAInput* input = c->value;
        if (ORDAPrivate::kernel) ORDAPrivate::kernel->Detach(this, input);
        if (connectedInputs.First() == c) {
            connectedInputs.Remove(c);
            static_cast<ORDAInputImplementation*>(input)->ForgetConnection();
        }
    }
    FreeBuffers();
    delete monitor;
}

ORDAIOMonitor& ORDAOutputImplementation::Monitor() { return *monitor; }

int ORDAOutputImplementation::NbFreeSlotsInFIFO() { return monitor->NbFreeSlots(); }

int ORDAOutputImplementation::NbFIFOOverflows() { return __atomic_load_n(&fifoOverflows, __ATOMIC_RELAXED); }

void ORDAOutputImplementation::CountFifoOverflow() { __atomic_fetch_add(&fifoOverflows, 1, __ATOMIC_RELAXED); }

void ORDAOutputImplementation::Rename(const char* oldName, const char* newName)
{
    ORDAPrivate::RenameModulePart(fullName, oldName, newName);
}

void ORDAOutputImplementation::FreeBuffers()
{
    for (ORDATimestamp& h : history) h = 0;
    delete[] static_cast<char*>(buffer);
    buffer = nullptr;
    bufferItems = 0;
    slotBytes = 0;
}

void ORDAOutputImplementation::EmptySlots() { monitor->EmptySlots(); }

void ORDAOutputImplementation::ResetFifoSize(int count)
{
    // The block was cut for the old slots.
    FreeBuffers();
    monitor->ResetFifoSize(count);
}

void* ORDAOutputImplementation::AllocateSharedMemory(int bytesPerSlot)
{
    const unsigned long long perSlot = static_cast<unsigned long long>(static_cast<unsigned>(bytesPerSlot));
    const long long fifoSize = definition.fifoSize < 0 ? 0 : definition.fifoSize;
    const unsigned long long slots = static_cast<unsigned long long>(fifoSize);
    unsigned long long total = 0;
    if (__builtin_mul_overflow(perSlot, slots, &total)) {
        ORDAStreamedString message;
        message << "AllocateSharedMemory:63: Requested buffer size [" << perSlot << "] is too big"
                << " given the current FIFO size [" << definition.fifoSize << "]"
                << " of output [" << fullName << "]."
                << " Please reduce the requested output buffer size and/or the output FIFO size"
                << " such that (buffer_size * fifo_size) <= " << std::numeric_limits<unsigned long long>::max()
                << " (i.e. std::numeric_limits<size_t>::max)";
        ORDAPrivate::KernelError(message.Beginning(), 1);
    }
    auto failed = [&](int line) {
        ORDAStreamedString message;
        message << "AllocateSharedMemory:" << line << ": Failed to allocate [buffer_size:" << perSlot
                << " x fifo_size:" << definition.fifoSize << " = " << total << "] bytes for output [" << fullName;
        return message;
    };
    char* block = nullptr;
    try {
        block = new char[total];
    } catch (const std::bad_alloc& e) {
        ORDAStreamedString message = failed(80);
        message << "] due to: std::bad_alloc: " << e.what()
                << ". Please reduce the requested output buffer size and/or the output FIFO size";
        ORDAPrivate::KernelError(message.Beginning(), 1);
    } catch (const std::exception& e) {
        ORDAStreamedString message = failed(86);
        message << "] due to: std::exception: " << e.what();
        ORDAPrivate::KernelError(message.Beginning(), 1);
    } catch (const char* text) {
        ORDAStreamedString message = failed(91);
        message << "] due to: const char*: " << (text ? text : "NULL");
        ORDAPrivate::KernelError(message.Beginning(), 1);
    } catch (int value) {
        ORDAStreamedString message = failed(96);
        message << "] due to: int: " << value;
        ORDAPrivate::KernelError(message.Beginning(), 1);
    } catch (...) {
        ORDAStreamedString message = failed(101);
        message << "] due to: an unknown error";
        ORDAPrivate::KernelError(message.Beginning(), 1);
    }
    if (!block) {
        ORDAStreamedString message = failed(107);
        message << "]";
        ORDAPrivate::KernelError(message.Beginning(), 1);
    }
    return block;
}

void ORDAOutputImplementation::AlreadyInitialised()
{
    if (bufferItems != 0)
        ORDAPrivate::KernelError("Output buffer already initialized. Can't initialize an output buffer twice.", 1);
}

void ORDAOutputImplementation::AllocOutputBuffer(int size, bool allocate)
{
    if (size < 0) NegativeArgument("AllocOutputBuffer", 150, "isize", size);
    AlreadyInitialised();
    for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next) {
        ORDAIOEltImplementation& e = s->element;
        e.bufferSize = 0;
        e.frequency = 0;
        e.quality = 0;
        e.misc1 = e.misc2 = e.misc3 = 0;
        e.type = definition.type;
        e.data = nullptr;
    }
    const LayoutChoice choice = ChooseLayout(definition.type);
    const bool composite = choice.layout == Layout::IplImage || choice.layout == Layout::ORDAImage ||
                           choice.layout == Layout::Audio;
    if (size == 0 || (composite && size < 2)) return;
    if (choice.layout == Layout::Array && size != 1 && !(definition.type.value & ORDA::VectorFlag)) {
        ORDAStreamedString message;
        message << "Output " << definition.name << " is a vector but its vector flag is not set.";
        ORDAPrivate::Report(message.Beginning(), ORDA::Error, 0, false);
    }
    long long items = size;
    long long bytes = 0;
    switch (choice.layout) {
    case Layout::Array:
    case Layout::Text:
    case Layout::Bytes: bytes = static_cast<long long>(size) * choice.itemBytes; break;
    case Layout::Matrix: bytes = 16LL * size + 40; break;
    case Layout::Triangles: bytes = 56LL * size + 48; break;
    case Layout::IplImage:
        items = -1;
        bytes = size + 164LL;
        break;
    case Layout::ORDAImage:
        items = -1;
        bytes = size + 48LL;
        break;
    case Layout::Audio:
        items = -1;
        bytes = size + 24LL;
        break;
    }
    CheckSlotBytes(bytes, fullName);
    if (!allocate) {
        bufferItems = static_cast<std::int32_t>(items);
        slotBytes = static_cast<std::int32_t>(bytes);
        for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next) s->element.bufferSize = size;
        return;
    }
    const long long stride = choice.layout == Layout::Array || choice.layout == Layout::Text ||
                                     choice.layout == Layout::Bytes
                                 ? bytes
                                 : Stride(bytes);
    CheckSlotBytes(stride, fullName);
    char* block = static_cast<char*>(AllocateSharedMemory(static_cast<int>(stride)));
    buffer = block;
    bufferItems = static_cast<std::int32_t>(items);
    slotBytes = static_cast<std::int32_t>(bytes);
    long long k = 0;
    for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next, ++k) {
        ORDAIOEltImplementation& e = s->element;
        char* data = block + k * stride;
        e.data = data;
        e.bufferSize = size;
        if (choice.layout != Layout::Text) e.vectorSize = size;
        std::memset(data, 0, static_cast<size_t>(bytes));
        switch (choice.layout) {
        case Layout::Matrix: {
            auto* m = reinterpret_cast<ORDAMatrix*>(data);
            m->firstArray = reinterpret_cast<double*>(data + 40);
            m->secondArray = reinterpret_cast<double*>(data + 40 + 8LL * size);
            break;
        }
        case Layout::IplImage: {
            auto* image = reinterpret_cast<IplImage*>(data);
            FillUnknown(image->colorModel);
            FillUnknown(image->channelSeq);
            image->roi = reinterpret_cast<IplROI*>(data + 144);
            image->imageData = data + 164;
            image->imageDataOrigin = data + 164;
            break;
        }
        case Layout::ORDAImage: {
            auto* image = reinterpret_cast<ORDAImage*>(data);
            image->bufferSize = size;
            image->imageData = data + 48;
            FillUnknown(image->imageCoding);
            break;
        }
        case Layout::Audio: {
            auto* audio = reinterpret_cast<ORDAAudioSignal*>(data);
            audio->streamSizeInBytes = static_cast<std::uint32_t>(size);
            audio->streamData = data + 24;
            break;
        }
        case Layout::Triangles: {
            auto* t = reinterpret_cast<ORDATriangles3D*>(data);
            t->points = reinterpret_cast<ORDA3DPoint*>(data + 48);
            t->triangles = reinterpret_cast<ORDA3DTriangle*>(data + 48 + 24LL * size);
            t->objects = reinterpret_cast<ORDA3DObject*>(data + 48 + 40LL * size);
            break;
        }
        default: break;
        }
    }
}

void ORDAOutputImplementation::AllocOutputBufferMatrix(int rows, int cols)
{
    const long long product = static_cast<long long>(rows) * cols;
    if (product > INT_MAX) CheckSlotBytes(16 * product + 40, fullName);
    const int size = static_cast<int>(product < INT_MIN ? INT_MIN : product);
    AllocOutputBuffer(size, true);
    if (ChooseLayout(definition.type).layout != Layout::Matrix || !buffer) return;
    for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next) {
        auto* m = static_cast<ORDAMatrix*>(s->element.data);
        m->rows = rows;
        m->cols = cols;
    }
}

void ORDAOutputImplementation::CopyTypeToSlots()
{
    for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next) s->element.type = definition.type;
}

void ORDAOutputImplementation::AllocOutputBufferImage(int size, int width, int height, std::uint32_t coding,
                                                      std::uint32_t type, bool headersOnly)
{
    AlreadyInitialised();
    if (size < 0) NegativeArgument("AllocOutputBufferImage", 582, "isize", size);
    if (width < 0) NegativeArgument("AllocOutputBufferImage", 584, "w", width);
    if (height < 0) NegativeArgument("AllocOutputBufferImage", 585, "h", height);
    CheckSlotBytes(Stride(size + 48LL), fullName);
    CopyTypeToSlots();
    const int bytes = static_cast<int>(Stride(headersOnly ? 48 : size + 48LL));
    char* block = static_cast<char*>(AllocateSharedMemory(bytes));
    buffer = block;
    long long k = 0;
    for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next, ++k) {
        char* data = block + k * bytes;
        s->element.data = data;
        s->element.bufferSize = size;
        auto* image = reinterpret_cast<ORDAImage*>(data);
        image->width = width;
        image->height = height;
        image->imageSize = size;
        image->bufferSize = size;
        image->imageId = reinterpret_cast<void*>(k);
        image->imageId2 = reinterpret_cast<void*>(static_cast<std::intptr_t>(0xDEAD));
        image->imageData = headersOnly ? nullptr : data + 48;
        std::memcpy(image->imageCoding, &coding, 4);
        std::memcpy(image->imageType, &type, 4);
    }
    bufferItems = -1;
    slotBytes = size + 48;
}

void ORDAOutputImplementation::AllocOutputBufferORDAImage(int size, int width, int height, std::uint32_t coding,
                                                          std::uint32_t type, bool headersOnly)
{
    AllocOutputBufferImage(size, width, height, coding, type, headersOnly);
}

void ORDAOutputImplementation::AllocOutputBufferIplImage(const IplImage& model, bool headersOnly)
{
    AlreadyInitialised();
    if (!headersOnly) {
        if (model.imageSize < 0) NegativeArgument("AllocOutputBufferIplImage", 546, "model.imageSize", model.imageSize);
        // Pixels are placed on a multiple of align.
        if (model.align <= 0) {
            ORDAStreamedString message;
            message << "AllocOutputBufferIplImage:546: model.align [" << model.align << "] <= 0";
            ORDAPrivate::KernelError(message.Beginning(), 1);
        }
    }
    const long long full = static_cast<long long>(model.align) + model.imageSize + 164;
    CheckSlotBytes(full, fullName);
    CopyTypeToSlots();
    CheckSlotBytes(Stride(full), fullName);
    const int bytes = static_cast<int>(Stride(headersOnly ? 164 : full));
    char* block = static_cast<char*>(AllocateSharedMemory(bytes));
    buffer = block;
    long long k = 0;
    for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next, ++k) {
        char* data = block + k * bytes;
        s->element.data = data;
        auto* image = reinterpret_cast<IplImage*>(data);
        std::memcpy(image, &model, sizeof(IplImage));
        if (!headersOnly) {
            image->imageDataOrigin = data + 164;
            const std::uintptr_t origin = reinterpret_cast<std::uintptr_t>(image->imageDataOrigin);
            const std::uintptr_t align = static_cast<std::uintptr_t>(model.align);
            image->imageData = image->imageDataOrigin + (align - origin % align);
        } else {
            image->imageData = nullptr;
        }
        image->roi = reinterpret_cast<IplROI*>(data + 144);
        image->roi->coi = 0;
        image->roi->xOffset = 0;
        image->roi->yOffset = 0;
        image->roi->width = model.width;
        image->roi->height = model.height;
        s->element.bufferSize = model.imageSize;
    }
    bufferItems = -1;
    slotBytes = static_cast<std::int32_t>(full < 0 ? 0 : full);
}

void ORDAOutputImplementation::AllocOutputBufferAudioSignal(const ORDAAudioSignal& model)
{
    AlreadyInitialised();
    const long long bytes = static_cast<long long>(model.streamSizeInBytes) + 24;
    CheckSlotBytes(Stride(bytes), fullName);
    CopyTypeToSlots();
    const long long stride = Stride(bytes);
    char* block = static_cast<char*>(AllocateSharedMemory(static_cast<int>(stride)));
    buffer = block;
    long long k = 0;
    for (ORDAFifoSlot* s = monitor->Newest(); s; s = s->next, ++k) {
        char* data = block + k * stride;
        s->element.data = data;
        auto* audio = reinterpret_cast<ORDAAudioSignal*>(data);
        std::memcpy(audio, &model, 16);
        audio->streamData = data + 24;
        s->element.bufferSize = static_cast<std::int32_t>(model.streamSizeInBytes);
    }
    bufferItems = -1;
    slotBytes = static_cast<std::int32_t>(bytes);
}
