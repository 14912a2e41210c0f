#include "sim/host/picture_encoder.h"

#include <dlfcn.h>

#include <atomic>
#include <map>
#include <mutex>
#include <tuple>
#include <utility>

#include "sim/host/test_picture.h"

#if RECOLYX_SIM_ENCODER
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}
#endif

namespace sim {
namespace {

// Distinct pictures kept; the oldest go when it is full (a scenario shows a
// handful of programmes).
constexpr size_t kCachedGops = 16;

using GopKey = std::tuple<int, std::string, const LabelGlyphs*>;

std::mutex encoder_mutex;  // one encoding at a time; guards the cache
// Each entry keeps its glyphs alive, so that no other glyphs can come to
// have the address in its key.
struct CachedGop {
  std::shared_ptr<const LabelGlyphs> glyphs;
  std::shared_ptr<const EncodedGop> gop;
};
std::map<GopKey, CachedGop> cache;
std::vector<GopKey> cache_order;  // oldest first
std::atomic<uint64_t> encoded{0};

#if RECOLYX_SIM_ENCODER

// Fixed quantiser: the test picture is flat colour and text, small at any
// quality; a rate control would only cost time.
constexpr int kQuantiser = 4;

#define RECOLYX_TEXT(x) #x
#define RECOLYX_SONAME(name, major) "lib" name ".so." RECOLYX_TEXT(major)

// The calls of libavcodec, libavutil and libswscale that the encoding makes,
// found in the libraries opened at the first encoding: a process that never
// encodes (the unit tests, a run that records nothing) does not load them
// and the hundred libraries they bring, which would cost every process tens
// of milliseconds at its start. The versions are those of the headers.
struct AvCalls {
  decltype(&::avcodec_find_encoder) find_encoder;
  decltype(&::avcodec_alloc_context3) alloc_context;
  decltype(&::avcodec_open2) open;
  decltype(&::avcodec_send_frame) send_frame;
  decltype(&::avcodec_receive_packet) receive_packet;
  decltype(&::avcodec_free_context) free_context;
  decltype(&::av_packet_alloc) packet_alloc;
  decltype(&::av_packet_unref) packet_unref;
  decltype(&::av_packet_free) packet_free;
  decltype(&::av_frame_alloc) frame_alloc;
  decltype(&::av_frame_get_buffer) frame_get_buffer;
  decltype(&::av_frame_make_writable) frame_make_writable;
  decltype(&::av_frame_free) frame_free;
  decltype(&::av_opt_set_int) opt_set_int;
  decltype(&::av_strerror) strerror;
  decltype(&::av_log_set_level) log_set_level;
  decltype(&::sws_getContext) scaler_context;
  decltype(&::sws_scale) scale;
  decltype(&::sws_freeContext) free_scaler;
};

template <typename Call>
bool Find(void* library, const char* name, Call* call, std::string* error) {
  *call = reinterpret_cast<Call>(dlsym(library, name));
  if (*call == nullptr) *error = std::string("no ") + name + " in the library";
  return *call != nullptr;
}

// The calls, found once (with encoder_mutex held); null, with *error saying
// why, when a library or a call is missing. The libraries stay loaded.
const AvCalls* Av(std::string* error) {
  static AvCalls calls;
  static std::string failure;
  static bool tried = false;
  if (tried) {
    if (!failure.empty()) *error = failure;
    return failure.empty() ? &calls : nullptr;
  }
  tried = true;
  void* codec = dlopen(RECOLYX_SONAME("avcodec", LIBAVCODEC_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
  void* util = dlopen(RECOLYX_SONAME("avutil", LIBAVUTIL_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
  void* scaler = dlopen(RECOLYX_SONAME("swscale", LIBSWSCALE_VERSION_MAJOR), RTLD_NOW | RTLD_LOCAL);
  if (codec == nullptr || util == nullptr || scaler == nullptr) {
    const char* why = dlerror();
    failure = std::string("cannot load libavcodec, libavutil and libswscale: ") + (why ? why : "?");
  } else if (!(Find(codec, "avcodec_find_encoder", &calls.find_encoder, &failure) &&
               Find(codec, "avcodec_alloc_context3", &calls.alloc_context, &failure) &&
               Find(codec, "avcodec_open2", &calls.open, &failure) &&
               Find(codec, "avcodec_send_frame", &calls.send_frame, &failure) &&
               Find(codec, "avcodec_receive_packet", &calls.receive_packet, &failure) &&
               Find(codec, "avcodec_free_context", &calls.free_context, &failure) &&
               Find(codec, "av_packet_alloc", &calls.packet_alloc, &failure) &&
               Find(codec, "av_packet_unref", &calls.packet_unref, &failure) &&
               Find(codec, "av_packet_free", &calls.packet_free, &failure) &&
               Find(util, "av_frame_alloc", &calls.frame_alloc, &failure) &&
               Find(util, "av_frame_get_buffer", &calls.frame_get_buffer, &failure) &&
               Find(util, "av_frame_make_writable", &calls.frame_make_writable, &failure) &&
               Find(util, "av_frame_free", &calls.frame_free, &failure) &&
               Find(util, "av_opt_set_int", &calls.opt_set_int, &failure) &&
               Find(util, "av_strerror", &calls.strerror, &failure) &&
               Find(util, "av_log_set_level", &calls.log_set_level, &failure) &&
               Find(scaler, "sws_getContext", &calls.scaler_context, &failure) &&
               Find(scaler, "sws_scale", &calls.scale, &failure) &&
               Find(scaler, "sws_freeContext", &calls.free_scaler, &failure))) {
    failure = "libavcodec, libavutil or libswscale: " + failure;
  } else {
    calls.log_set_level(AV_LOG_ERROR);
  }
  if (!failure.empty()) *error = failure;
  return failure.empty() ? &calls : nullptr;
}

std::string AvError(const AvCalls& av, const char* what, int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = "";
  av.strerror(code, text, sizeof text);
  return std::string(what) + ": " + text;
}

// The libavcodec objects of one encoding, freed whatever happens.
struct Encoding {
  explicit Encoding(const AvCalls& calls) : av(calls) {}
  Encoding(const Encoding&) = delete;
  Encoding& operator=(const Encoding&) = delete;
  ~Encoding() {
    av.free_scaler(scaler);
    av.packet_free(&packet);
    av.frame_free(&frame);
    av.free_context(&context);
  }
  const AvCalls& av;
  AVCodecContext* context = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* scaler = nullptr;
};

bool Open(Encoding& e, std::string* error) {
  const AvCalls& av = e.av;
  const AVCodec* codec = av.find_encoder(AV_CODEC_ID_MPEG2VIDEO);
  if (codec == nullptr) {
    *error = "libavcodec has no MPEG-2 video encoder";
    return false;
  }
  e.context = av.alloc_context(codec);
  e.frame = av.frame_alloc();
  e.packet = av.packet_alloc();
  if (!e.context || !e.frame || !e.packet) {
    *error = "out of memory";
    return false;
  }
  AVCodecContext* c = e.context;
  c->width = kPictureWidth;
  c->height = kPictureHeight;
  c->sample_aspect_ratio = {1, 1};
  c->time_base = {1, kPictureFramesPerSecond};
  c->framerate = {kPictureFramesPerSecond, 1};
  c->pix_fmt = AV_PIX_FMT_YUV420P;
  c->gop_size = kGopFrames;
  c->max_b_frames = 0;
  c->thread_count = 1;  // no threads of its own; the same bytes on every run
  c->flags |= AV_CODEC_FLAG_QSCALE | AV_CODEC_FLAG_BITEXACT;
  c->global_quality = FF_QP2LAMBDA * kQuantiser;
  // One I frame per group: no extra ones at a change of picture.
  av.opt_set_int(c->priv_data, "sc_threshold", 1000000000, 0);
  if (int code = av.open(c, codec, nullptr); code < 0) {
    *error = AvError(av, "cannot open the MPEG-2 video encoder", code);
    return false;
  }
  e.frame->format = c->pix_fmt;
  e.frame->width = c->width;
  e.frame->height = c->height;
  if (int code = av.frame_get_buffer(e.frame, 0); code < 0) {
    *error = AvError(av, "no frame buffer", code);
    return false;
  }
  e.scaler = av.scaler_context(kPictureWidth, kPictureHeight, AV_PIX_FMT_RGBA, kPictureWidth, kPictureHeight,
                               AV_PIX_FMT_YUV420P, SWS_POINT | SWS_BITEXACT, nullptr, nullptr, nullptr);
  if (e.scaler == nullptr) {
    *error = "no RGBA to YUV converter";
    return false;
  }
  return true;
}

// Takes what the encoder has ready into the group.
bool Drain(Encoding& e, EncodedGop& gop, std::string* error) {
  for (;;) {
    int code = e.av.receive_packet(e.context, e.packet);
    if (code == AVERROR(EAGAIN) || code == AVERROR_EOF) return true;
    if (code < 0) {
      *error = AvError(e.av, "encoding failed", code);
      return false;
    }
    EncodedFrame frame;
    frame.data.assign(e.packet->data, e.packet->data + e.packet->size);
    frame.key = (e.packet->flags & AV_PKT_FLAG_KEY) != 0;
    gop.bytes += frame.data.size();
    if (frame.data.size() > gop.largest) gop.largest = frame.data.size();
    gop.frames.push_back(std::move(frame));
    e.av.packet_unref(e.packet);
  }
}

// The group: the picture drawn once, then each frame with the box moved on
// (it crosses the picture once a group), converted and encoded.
std::shared_ptr<const EncodedGop> Encode(int channel, const std::string& programme, const LabelGlyphs* glyphs,
                                         std::string* error) {
  const AvCalls* av = Av(error);
  if (av == nullptr) return nullptr;
  Encoding e(*av);
  if (!Open(e, error)) return nullptr;
  TestPictureContent content;
  content.box_x = -2 * kPictureWidth;  // the box is drawn per frame
  content.channel = channel;
  content.programme = programme;
  std::vector<uint8_t> background(static_cast<size_t>(kPictureWidth) * kPictureHeight * 4);
  DrawTestPicture(background.data(), kPictureWidth, kPictureHeight, content, glyphs);
  std::vector<uint8_t> rgba(background.size());
  auto gop = std::make_shared<EncodedGop>();
  for (int i = 0; i <= kGopFrames; ++i) {
    AVFrame* frame = nullptr;
    if (i < kGopFrames) {
      rgba = background;
      DrawTestBox(rgba.data(), kPictureWidth, kPictureHeight, i * kTestBoxTravel / kGopFrames);
      if (int code = av->frame_make_writable(e.frame); code < 0) {
        *error = AvError(*av, "frame not writable", code);
        return nullptr;
      }
      const uint8_t* planes[1] = {rgba.data()};
      const int strides[1] = {kPictureWidth * 4};
      av->scale(e.scaler, planes, strides, 0, kPictureHeight, e.frame->data, e.frame->linesize);
      e.frame->pts = i;
      frame = e.frame;
    }
    if (int code = av->send_frame(e.context, frame); code < 0) {
      *error = AvError(*av, "encoding failed", code);
      return nullptr;
    }
    if (!Drain(e, *gop, error)) return nullptr;
  }
  if (gop->frames.size() != static_cast<size_t>(kGopFrames) || !gop->frames.front().key) {
    *error = "the encoder gave " + std::to_string(gop->frames.size()) + " frames for " +
             std::to_string(kGopFrames);
    return nullptr;
  }
  return gop;
}

#else

std::shared_ptr<const EncodedGop> Encode(int, const std::string&, const LabelGlyphs*, std::string* error) {
  *error = "this simulator was built without a picture encoder";
  return nullptr;
}

#endif

}  // namespace

bool PictureEncoderBuilt() { return RECOLYX_SIM_ENCODER != 0; }

std::shared_ptr<const EncodedGop> ProgrammeGop(int channel, const std::string& programme, std::string* error) {
  const std::shared_ptr<const LabelGlyphs> glyphs = PictureGlyphs();
  GopKey key{channel, programme, glyphs.get()};
  std::lock_guard lock(encoder_mutex);
  if (auto found = cache.find(key); found != cache.end()) return found->second.gop;
  std::shared_ptr<const EncodedGop> gop = Encode(channel, programme, glyphs.get(), error);
  if (gop == nullptr) return nullptr;
  encoded.fetch_add(1, std::memory_order_relaxed);
  if (cache_order.size() >= kCachedGops) {
    cache.erase(cache_order.front());
    cache_order.erase(cache_order.begin());
  }
  cache.emplace(key, CachedGop{glyphs, gop});
  cache_order.push_back(std::move(key));
  return gop;
}

uint64_t EncodedGopCount() { return encoded.load(std::memory_order_relaxed); }

}  // namespace sim
