start1 0 1 1 1 1 1 0 1 1
startmn
metronome 60
say "see" lang=en+f3
say "see" lang=en+aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa
fine
