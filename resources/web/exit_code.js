// A program whose main() Asyncify suspended returns to the page long before
// it ends, and Emscripten then never reports its end. Its real end comes
// when the last suspension completes, with the code main() returned: exit
// then, so the page hears of it (Module.onExit) like any other exit.
addOnPostRun(function () {
  if (!Asyncify.currData) return;
  Asyncify.whenDone().then(function (code) {
    try {
      exit(code);
    } catch (thrown) {
      if (!(thrown instanceof ExitStatus)) throw thrown;
    }
  });
});
