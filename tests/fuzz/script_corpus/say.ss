start1 0 1 1 1 1 1 0 1 1
startmn
metronome 60
say "see my zoo, the church judge"
say /S IY1 | M AY1/ beats=2 pitch=C3,E3
say [ˈsiː maɪ] lang=fr pitch=110@0,98Hz@1
Rest 0.5
fine
