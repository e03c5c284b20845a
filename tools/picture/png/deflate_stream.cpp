#include "tools/picture/png/deflate_stream.h"

#include <zlib.h>

#include <algorithm>
#include <new>

#ifdef RUDI_HAVE_ISAL
#include <isa-l/igzip_lib.h>
#endif

namespace {

// Each call hands a compressor at most this much, input or output room: both
// libraries count in 32 bits.
constexpr std::size_t kStepBytes = 1 << 20;

class ZlibStream final : public DeflateStream {
public:
    ~ZlibStream() override {
        if (ready_) deflateEnd(&stream_);
    }

    bool Start(bool shortMatches) {
        ready_ = deflateInit2(&stream_, 1, Z_DEFLATED, 15, 8, shortMatches ? Z_RLE : Z_DEFAULT_STRATEGY) == Z_OK;
        return ready_;
    }

    bool Add(const std::uint8_t* bytes, std::size_t count, bool last, std::vector<std::uint8_t>& out) override {
        int status = Z_OK;
        do {
            const std::size_t step = std::min(count, kStepBytes);
            stream_.next_in = const_cast<Bytef*>(bytes);
            stream_.avail_in = static_cast<uInt>(step);
            const bool end = last && step == count;
            do {
                const std::size_t before = out.size();
                out.resize(before + kStepBytes);
                stream_.next_out = out.data() + before;
                stream_.avail_out = static_cast<uInt>(kStepBytes);
                status = deflate(&stream_, end ? Z_FINISH : Z_NO_FLUSH);
                out.resize(out.size() - stream_.avail_out);
                if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) return false;
            } while (stream_.avail_out == 0 || (end && status != Z_STREAM_END));
            bytes += step;
            count -= step;
        } while (count > 0);
        return true;
    }

private:
    z_stream stream_{};
    bool ready_ = false;
};

#ifdef RUDI_HAVE_ISAL
class IsalStream final : public DeflateStream {
public:
    // Level 2's larger hash table finds a few more matches in the same time as level 1.
    static constexpr std::uint32_t kLevel = 2;

    IsalStream() : levelBuffer_(ISAL_DEF_LVL2_DEFAULT) {
        isal_deflate_init(&stream_);
        stream_.gzip_flag = IGZIP_ZLIB;
        stream_.level = kLevel;
        stream_.level_buf = levelBuffer_.data();
        stream_.level_buf_size = static_cast<std::uint32_t>(levelBuffer_.size());
    }

    bool Add(const std::uint8_t* bytes, std::size_t count, bool last, std::vector<std::uint8_t>& out) override {
        do {
            const std::size_t step = std::min(count, kStepBytes);
            stream_.next_in = const_cast<std::uint8_t*>(bytes);
            stream_.avail_in = static_cast<std::uint32_t>(step);
            stream_.end_of_stream = last && step == count ? 1 : 0;
            stream_.flush = NO_FLUSH;
            do {
                const std::size_t before = out.size();
                out.resize(before + kStepBytes);
                stream_.next_out = out.data() + before;
                stream_.avail_out = static_cast<std::uint32_t>(kStepBytes);
                if (isal_deflate(&stream_) != COMP_OK) return false;
                out.resize(out.size() - stream_.avail_out);
            } while (stream_.avail_in > 0 || stream_.avail_out == 0 ||
                     (stream_.end_of_stream != 0 && stream_.internal_state.state != ZSTATE_END));
            bytes += step;
            count -= step;
        } while (count > 0);
        return true;
    }

private:
    std::vector<std::uint8_t> levelBuffer_;
    isal_zstream stream_{};
};
#endif

}  // namespace

bool HaveDeflater(Deflater deflater) {
#ifdef RUDI_HAVE_ISAL
    (void)deflater;
    return true;
#else
    return deflater == Deflater::kZlib;
#endif
}

Deflater FastestDeflater() { return HaveDeflater(Deflater::kIsal) ? Deflater::kIsal : Deflater::kZlib; }

std::unique_ptr<DeflateStream> NewDeflateStream(Deflater deflater, bool shortMatches) {
    try {
#ifdef RUDI_HAVE_ISAL
        if (deflater == Deflater::kIsal) return std::make_unique<IsalStream>();
#endif
        if (deflater != Deflater::kZlib) return nullptr;
        auto stream = std::make_unique<ZlibStream>();
        return stream->Start(shortMatches) ? std::move(stream) : nullptr;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
