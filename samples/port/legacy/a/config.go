package a

func ParseConfig(path string) (Config, error) {
	return Config{}, nil
}
