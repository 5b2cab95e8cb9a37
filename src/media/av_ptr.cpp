#include "media/av_ptr.h"

#include <new>

namespace zentrova {

// The deleters call the bound slots; each accepts null.
void AVFrameDeleter::operator()(AVFrame* p) const {
  ff::av_frame_free(&p);
}
void AVPacketDeleter::operator()(AVPacket* p) const {
  ff::av_packet_free(&p);
}
void AVCodecContextDeleter::operator()(AVCodecContext* p) const {
  ff::avcodec_free_context(&p);
}
void AVEncoderContextDeleter::operator()(AVCodecContext* p) const {
  if (!p) return;
  ff::av_freep(&p->stats_in);
  ff::av_freep(&p->chroma_intra_matrix);
  ff::avcodec_free_context(&p);
}
void AVFormatContextDeleter::operator()(AVFormatContext* p) const {
  ff::avformat_free_context(p);
}
void AVInputFormatContextDeleter::operator()(AVFormatContext* p) const {
  ff::avformat_close_input(&p);
}
void AVOutputFormatContextDeleter::operator()(AVFormatContext* p) const {
  if (p && p->pb && p->oformat && !(p->oformat->flags & AVFMT_NOFILE)) ff::avio_closep(&p->pb);
  ff::avformat_free_context(p);
}
void AVIOContextDeleter::operator()(AVIOContext* p) const {
  ff::avio_closep(&p);
}
void AVFilterGraphDeleter::operator()(AVFilterGraph* p) const {
  ff::avfilter_graph_free(&p);
}
void AVFilterInOutDeleter::operator()(AVFilterInOut* p) const {
  ff::avfilter_inout_free(&p);
}
void AVDictionaryDeleter::operator()(AVDictionary* p) const {
  ff::av_dict_free(&p);
}
void AVBSFContextDeleter::operator()(AVBSFContext* p) const {
  ff::av_bsf_free(&p);
}
void AVCodecParserContextDeleter::operator()(AVCodecParserContext* p) const {
  ff::av_parser_close(p);
}
void SwsContextDeleter::operator()(SwsContext* p) const {
  ff::sws_freeContext(p);
}
void SwrContextDeleter::operator()(SwrContext* p) const {
  ff::swr_free(&p);
}
void AVAudioFifoDeleter::operator()(AVAudioFifo* p) const {
  ff::av_audio_fifo_free(p);
}
void AVExprDeleter::operator()(AVExpr* p) const {
  ff::av_expr_free(p);
}
void AVBufferRefDeleter::operator()(AVBufferRef* p) const {
  ff::av_buffer_unref(&p);
}
void AVMemoryDeleter::operator()(void* p) const {
  ff::av_free(p);
}

AVFramePtr MakeFrame() {
  AVFramePtr frame(ff::av_frame_alloc());
  if (!frame) throw std::bad_alloc();
  return frame;
}

AVPacketPtr MakePacket() {
  AVPacketPtr packet(ff::av_packet_alloc());
  if (!packet) throw std::bad_alloc();
  return packet;
}

AVDictionaryArray::AVDictionaryArray(std::vector<AVDictionaryPtr> dictionaries) {
  raw_.reserve(dictionaries.size());
  for (AVDictionaryPtr& dictionary : dictionaries) raw_.push_back(dictionary.release());
}

AVDictionaryArray::~AVDictionaryArray() {
  for (AVDictionary*& dictionary : raw_) ff::av_dict_free(&dictionary);
}

}  // namespace zentrova
