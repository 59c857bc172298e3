#pragma once
// The start and end of the program and of its shared objects: the current station with its
// session, the store, the settings.

class TStation6Test;
class TRtu6;
class TIDataTest;

inline constexpr const char* kStoreUnusableMessage = "无法连接到数据库, 请检查后再试.";

// At program load: the paths (from the command line and the environment) and the
// single-instance guard. False when another run holds the guard: its message has been shown
// and the program must end.
bool InitApplication(int argc, const char* const* argv);
// At program end: releases the guard.
void DoneApplication();

// At the main window's deferred start: settings (loaded, normalised and saved back), the
// current station and session, the mode timing, the store. Raises kStoreUnusableMessage when
// the store cannot be used.
void InitSystem();
// At the main window's end: saves the settings and frees the shared objects.
void DoneSystem();

// Copies the stored station's values into the current station (the one the session belongs
// to), as selecting it in the station list does. False when there is no such station.
bool SelectStoredStation(int number);

// The shared objects; nullptr outside InitSystem..DoneSystem.
TStation6Test* CurrentStation();
TRtu6* CurrentRtu();
TIDataTest* LocalStore();
