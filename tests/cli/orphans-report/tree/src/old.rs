fn forgotten() {}
