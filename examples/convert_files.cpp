// convert_files FILE...
//
// Converts each file into MP4 (H.264 video, AAC audio) beside it, as
// FILE.converted.mp4, two at a time, with the encoder component, and prints
// the component's progress and termination events. Exit code 0 when every
// file was converted.
#include <cstdio>
#include <string>

#include <zentrova/encoder/derodorir.h>
#include <zentrova/log/library_version.h>
#include <zentrova/log/main_thread.h>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: convert_files FILE...\n");
    return 2;
  }
  // This thread receives the events (TriggerEventInMainThread is on by
  // default): it serves them in the loop at the end.
  zentrova::AttachMainThread();
  std::printf("Zentrova %s\n", zentrova::LibraryVersion());

  zentrova::TDERodorir encoder;
  if (!encoder.LoadAVLib("")) {  // the media libraries, from the system
    std::fprintf(stderr, "%s\n", encoder.LastErrMsg().c_str());
    return 1;
  }

  bool all_converted = true;
  for (int i = 1; i < argc; ++i) {
    const std::string input = argv[i];
    // Each task: one input and its option string, one output and its own.
    const int task = encoder.AddTask(input, "", "");
    if (task < 0) {
      std::fprintf(stderr, "%s: %s\n", input.c_str(), encoder.LastErrMsg().c_str());
      all_converted = false;
      continue;
    }
    const std::string output = input + ".converted.mp4";
    if (encoder.SetOutput(task, output, "-c:v libx264 -preset veryfast -c:a aac -y", "") < 0) {
      std::fprintf(stderr, "%s: %s\n", output.c_str(), encoder.LastErrMsg().c_str());
      encoder.RemoveTask(task);
      all_converted = false;
      continue;
    }
    std::printf("task %d: %s -> %s\n", task, input.c_str(), output.c_str());
  }

  encoder.SetOnProgress([](zentrova::TCustomEncoder*, zentrova::TProgressInfo& info) {
    std::printf("progress task %d: frame %d, %lld of %lld us, %lld bytes\n", info.TaskIndex, info.FrameNumber,
                static_cast<long long>(info.CurrentDuration), static_cast<long long>(info.TotalDuration),
                static_cast<long long>(info.CurrentSize));
  });
  bool run_ended = false;
  encoder.SetOnTerminate([&](zentrova::TCustomEncoder*, const zentrova::TTerminateInfo& info) {
    if (info.TaskIndex < 0) {
      run_ended = true;
      std::printf("end of run\n");
    } else if (info.Exception) {
      all_converted = false;
      std::printf("terminate task %d: failed: %s\n", info.TaskIndex, info.ExceptionMsg.c_str());
    } else {
      if (!info.Finished) all_converted = false;
      std::printf("terminate task %d: %s\n", info.TaskIndex, info.Finished ? "converted" : "stopped");
    }
  });

  encoder.Start(2);  // two tasks at once, each on its own worker thread
  while (!run_ended) zentrova::CheckSynchronize(100);
  return all_converted ? 0 : 1;
}
