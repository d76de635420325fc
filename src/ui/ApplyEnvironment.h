#pragma once

#include <functional>
#include <memory>

struct GlobalOptions;
class CConfiguration;
class CInstanceLock;
class MessageBoxPresenter;

// Takes over the options dialog's values after OK. When the store changes (user database or
// INI file), every project's folder settings are carried over to the new one first read from
// the old one, which keeps its content. saveActiveProject writes the view's table into the store
// now in use.
//
// When the carried settings cannot all be written to the new store, the program stays with the
// old one, which still holds everything, and says so (the store has already said why): a switch
// that a later start would find half empty is never made. False when something was not saved.
//
// lock is the lock held beside the store in use, if any. A switch takes the new store's lock
// before it writes there, so that no other program (orvane-cli run) writes it at the same time,
// and is not made while another program holds it; once made, the old store's lock is let go.
bool ApplyEnvironment(CConfiguration &config, const GlobalOptions &options, bool useRegistry,
                      const std::function<bool()> &saveActiveProject, MessageBoxPresenter &boxes,
                      std::unique_ptr<CInstanceLock> *lock = nullptr);
