# The smallest script: start-up, tables, tempo and the end of the score. It writes no sound;
# the same calls as hello.cpp, so the same score.
start1 0 1 1 1 1 1 0 1 1
startmn
metronome 120
fine
