// vornel-cli snapshot: saves one picture of a media file, taken by the preview player.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/paths.h"
#include "cli/command.h"
#include "media/ffmpeg_loader.h"
#include "player/picture_writer.h"
#include "player/snapshot.h"

namespace cli {
namespace {

struct SnapshotArgs {
  std::string file;
  double at = 0;
  player::TPictureType type = player::TPictureType::ptBMP;
  std::string out;
};

// Returns an empty string when the arguments are good, else the usage complaint.
std::string Parse(const CommandArgs& args, SnapshotArgs& parsed) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--at" || a == "--type" || a == "--out") {
      if (!hasValue) return a + " needs a value";
      const std::string& v = args[++i];
      if (a == "--at") {
        char* end = nullptr;
        parsed.at = std::strtod(v.c_str(), &end);
        if (v.empty() || *end || parsed.at < 0) return "--at wants seconds (0 or more), not '" + v + "'";
      } else if (a == "--type") {
        if (!player::ParsePictureType(v, parsed.type))
          return "--type is one of bmp, jpg, gif, png, not '" + v + "'";
      } else {
        parsed.out = v;
      }
    } else if (!a.empty() && a[0] == '-') {
      return "unknown option '" + a + "'";
    } else if (parsed.file.empty()) {
      parsed.file = a;
    } else {
      return "only one FILE, please";
    }
  }
  return parsed.file.empty() ? "FILE is missing" : "";
}

int RunSnapshot(const CommandArgs& args) {
  SnapshotArgs a;
  if (const std::string problem = Parse(args, a); !problem.empty()) return UsageError("snapshot: " + problem);
  // No sound is played: SDL's silent driver unless the user chose one.
  setenv("SDL_AUDIODRIVER", "dummy", 0);
  if (!media::Loader().Load(media::kPlayerLibraries)) {
    std::fprintf(stderr, "vornel-cli: %s\n", media::Loader().LastErrMsg().c_str());
    return 1;
  }
  if (a.out.empty()) a.out = base::DefaultSnapshotFolder();
  if (!base::ForceDirectories(a.out)) {
    std::fprintf(stderr, "vornel-cli: cannot create the folder %s\n", a.out.c_str());
    return 1;
  }

  const player::TSnapshotOutcome o =
      player::TakeSnapshot(a.file, static_cast<int64_t>(a.at * 1000000.0), a.type, a.out);
  switch (o.Result) {
    case player::TSnapshotResult::srNoVideo:
      std::printf("%s has no video: no picture saved\n", a.file.c_str());
      return 1;
    case player::TSnapshotResult::srFailed:
      std::fprintf(stderr, "vornel-cli: %s\n", o.ErrMsg.c_str());
      return 1;
    case player::TSnapshotResult::srSaved:
      break;
  }
  std::printf("%s\n", o.FileName.c_str());
  std::fprintf(stderr, "picture at %.3f s, %dx%d\n", static_cast<double>(o.PTS) / 1e6, o.Width, o.Height);
  return 0;
}

const CommandRegistration kRegistration({
    "snapshot",
    "snapshot FILE [--at SECONDS] [--type bmp|jpg|gif|png] [--out DIR]",
    "save the picture at a time of a media file (the key frame at or before it) as an image",
    &RunSnapshot,
});

}  // namespace
}  // namespace cli
