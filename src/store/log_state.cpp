#include "store/log_state.h"

#include <charconv>
#include <utility>
#include <vector>

#include "store/parse_state.h"

namespace qorn {
namespace {

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const std::string& n : names) out += n + '\n';
  return out;
}

std::vector<std::string> Split(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
    out.push_back(text.substr(start, at - start));
    start = at + 1;
  }
  return out;
}

template <typename T>
bool ReadNumber(const std::optional<std::string>& text, T& out) {
  if (!text) return false;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), out);
  return ec == std::errc() && end == text->data() + text->size();
}

}  // namespace

void WriteStoredLog(Database& db, const StoredLog& s) {
  // In the order of their names, as files of earlier versions hold them.
  const std::pair<StateKey, std::string> values[] = {
      {StateKey::Buffs, std::string{s.End.Buffs[0] ? '1' : '0', s.End.Buffs[1] ? '1' : '0',
                                    s.End.Buffs[2] ? '1' : '0'}},
      {StateKey::CharName, s.CharName},
      {StateKey::DotSeen, s.End.DotSeen ? "1" : "0"},
      {StateKey::EndsAtLineEnd, s.End.EndsAtLineEnd ? "1" : "0"},
      {StateKey::LastDotMob, s.End.LastDotMob},
      {StateKey::LogBytes, std::to_string(s.Log.Bytes)},
      {StateKey::LogDevice, std::to_string(s.Log.Device)},
      {StateKey::LogHeadHash, std::to_string(s.Log.HeadHash)},
      {StateKey::LogInode, std::to_string(s.Log.Inode)},
      {StateKey::LogMTime, std::to_string(s.Log.MTimeNs)},
      {StateKey::LogPath, s.Log.Path},
      {StateKey::LogSampleHash, std::to_string(s.Log.SampleHash)},
      {StateKey::LogTailHash, std::to_string(s.Log.TailHash)},
      {StateKey::NextCastNum, std::to_string(s.NextCastNum)},
      {StateKey::NextRecNum, std::to_string(s.NextRecNum)},
      {StateKey::PetNames, Joined(s.End.PetNames)},
  };
  for (const auto& [key, value] : values) WriteStateBytes(db, key, value);
}

std::optional<StoredLog> ReadStoredLog(Database& db) {
  // A parse stored without one of them (an earlier version's has no samples'
  // hash) is read whole once more.
  const std::optional<std::string> path = ReadState(db, StateKey::LogPath);
  const std::optional<std::string> charName = ReadState(db, StateKey::CharName);
  const std::optional<std::string> endsAtLineEnd = ReadState(db, StateKey::EndsAtLineEnd);
  const std::optional<std::string> buffs = ReadState(db, StateKey::Buffs);
  const std::optional<std::string> dotSeen = ReadState(db, StateKey::DotSeen);
  const std::optional<std::string> lastDotMob = ReadState(db, StateKey::LastDotMob);
  const std::optional<std::string> petNames = ReadState(db, StateKey::PetNames);
  if (!path || !charName || !endsAtLineEnd || !buffs || buffs->size() != 3 || !dotSeen ||
      !lastDotMob || !petNames) {
    return std::nullopt;
  }
  StoredLog s;
  if (!ReadNumber(ReadState(db, StateKey::LogDevice), s.Log.Device) ||
      !ReadNumber(ReadState(db, StateKey::LogInode), s.Log.Inode) ||
      !ReadNumber(ReadState(db, StateKey::LogBytes), s.Log.Bytes) ||
      !ReadNumber(ReadState(db, StateKey::LogMTime), s.Log.MTimeNs) ||
      !ReadNumber(ReadState(db, StateKey::LogHeadHash), s.Log.HeadHash) ||
      !ReadNumber(ReadState(db, StateKey::LogTailHash), s.Log.TailHash) ||
      !ReadNumber(ReadState(db, StateKey::LogSampleHash), s.Log.SampleHash) ||
      !ReadNumber(ReadState(db, StateKey::NextRecNum), s.NextRecNum) ||
      !ReadNumber(ReadState(db, StateKey::NextCastNum), s.NextCastNum)) {
    return std::nullopt;
  }
  s.Log.Path = *path;
  s.CharName = *charName;
  s.End.Bytes = s.Log.Bytes;
  s.End.EndsAtLineEnd = *endsAtLineEnd == "1";
  for (int i = 0; i < 3; ++i) s.End.Buffs[i] = (*buffs)[static_cast<size_t>(i)] == '1';
  s.End.DotSeen = *dotSeen == "1";
  s.End.LastDotMob = *lastDotMob;
  s.End.PetNames = Split(*petNames);
  return s;
}

}  // namespace qorn
