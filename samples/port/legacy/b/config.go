package b

func ParseConfig(path string) (Config, error) {
	return Config{}, nil
}
